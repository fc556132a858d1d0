#pragma once

#include <memory>
#include <string>

#include "feed/feed_settings.h"

struct mosquitto;

// What the publisher and the subscriber share about a libmosquitto client:
// making one from the settings (MQTT v5, user name, TLS that checks the
// broker's certificate and host name) and turning its failures into sentences.
namespace tavolo::feed {

struct ClientDeleter {
    void operator()(mosquitto* client) const noexcept;
};
using ClientHandle = std::unique_ptr<mosquitto, ClientDeleter>;

// A new client for `settings`, speaking MQTT v5. `clientId` empty: the library
// picks one (only with `cleanStart`). `userdata` comes back in callbacks.
// Nothing, with `error` set, when a file cannot be used (CA, certificate, key).
ClientHandle makeClient(const FeedSettings& settings, const std::string& clientId, bool cleanStart, void* userdata,
                        std::string& error);

// The reason a connection attempt or a link failed, for the user.
// `mosqError`: a MOSQ_ERR_* result; `savedErrno`: errno right after it.
// A TLS failure is explained by the certificate check of the last handshake
// on this thread (see takeCertificateProblem).
std::string linkFailureText(int mosqError, int savedErrno, const BrokerAddress& broker);

// The reason text of a refusing CONNACK (an MQTT v5 reason code); `withUser`:
// we gave a user name.
std::string connackRefusalText(int reasonCode, bool withUser);

// The reason text of a refused message (a PUBACK reason code of 0x80 or more).
std::string publishRefusalText(int reasonCode);

// True when the last failure on this thread was a certificate the broker
// showed and we did not accept (untrusted, wrong host name): the link then
// counts as refused rather than unreachable.
bool lastFailureWasCertificate();

}  // namespace tavolo::feed
