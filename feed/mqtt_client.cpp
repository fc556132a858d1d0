#include "feed/mqtt_client.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <cstring>
#include <mutex>

namespace tavolo::feed {
namespace {

// The certificate check of the handshake in progress on this thread: every
// client is driven by one thread, and the handshake runs inside its calls.
thread_local long t_verifyResult = X509_V_OK;
thread_local bool t_certificateFailure = false;

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

// Told of every alert the handshake sends: a rejected certificate ends with
// one, while the connection still knows why.
void handshakeInfo(const SSL* ssl, int where, int ret)
{
    (void)ret;
    if ((where & SSL_CB_WRITE_ALERT) != 0) {
        const long result = SSL_get_verify_result(ssl);
        if (result != X509_V_OK)
            t_verifyResult = result;
    }
}

}  // namespace

void ClientDeleter::operator()(mosquitto* client) const noexcept
{
    mosquitto_destroy(client);
}

ClientHandle makeClient(const FeedSettings& settings, const std::string& clientId, bool cleanStart, void* userdata,
                        std::string& error)
{
    initLibrary();
    ClientHandle client(mosquitto_new(clientId.empty() ? nullptr : clientId.c_str(), cleanStart, userdata));
    if (!client) {
        error = std::string("cannot make an MQTT client: ") + std::strerror(errno);
        return nullptr;
    }
    mosquitto_int_option(client.get(), MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    if (!settings.user.empty() &&
        mosquitto_username_pw_set(client.get(), settings.user.c_str(),
                                  settings.password.empty() ? nullptr : settings.password.c_str()) != MOSQ_ERR_SUCCESS) {
        error = "the MQTT user name is not valid UTF-8";
        return nullptr;
    }
    if (!settings.broker.tls)
        return client;

    // Our own context, with the library's defaults applied to it, so the
    // handshake can be watched (handshakeInfo) for why a certificate failed.
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (!context) {
        error = "cannot set up TLS";
        return nullptr;
    }
    SSL_CTX_set_info_callback(context, handshakeInfo);
    mosquitto_void_option(client.get(), MOSQ_OPT_SSL_CTX, context);
    mosquitto_int_option(client.get(), MOSQ_OPT_SSL_CTX_WITH_DEFAULTS, 1);
    SSL_CTX_free(context);  // the client took its own reference
    const char* cafile = settings.caFile.empty() ? nullptr : settings.caFile.c_str();
    const char* capath = cafile ? nullptr : "/etc/ssl/certs";
    const char* cert = settings.certFile.empty() ? nullptr : settings.certFile.c_str();
    const char* key = settings.keyFile.empty() ? nullptr : settings.keyFile.c_str();
    const int rc = mosquitto_tls_set(client.get(), cafile, capath, cert, key, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
        error = "cannot use the TLS files (CA '" + settings.caFile + "'" +
                (cert ? ", certificate '" + settings.certFile + "', key '" + settings.keyFile + "'" : std::string()) +
                "): " + (rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc));
        return nullptr;
    }
    // Checks the broker's certificate and that it is made out for the host.
    mosquitto_tls_insecure_set(client.get(), false);
    mosquitto_tls_opts_set(client.get(), SSL_VERIFY_PEER, nullptr, nullptr);
    return client;
}

std::string linkFailureText(int mosqError, int savedErrno, const BrokerAddress& broker)
{
    t_certificateFailure = false;
    if (mosqError == MOSQ_ERR_TLS) {
        const long verify = t_verifyResult;
        t_verifyResult = X509_V_OK;
        if (verify == X509_V_ERR_HOSTNAME_MISMATCH || verify == X509_V_ERR_IP_ADDRESS_MISMATCH) {
            t_certificateFailure = true;
            return "the broker's certificate is not made out for '" + broker.host + "' (host name mismatch)";
        }
        if (verify != X509_V_OK) {
            t_certificateFailure = true;
            return std::string("the broker's certificate is not trusted (") +
                   X509_verify_cert_error_string(verify) + ")";
        }
        return "the TLS handshake failed (is the broker speaking TLS on this port?)";
    }
    if (mosqError == MOSQ_ERR_ERRNO)
        return std::string("broker unreachable: ") + std::strerror(savedErrno);
    if (mosqError == MOSQ_ERR_EAI)
        return "broker unreachable: cannot find the host '" + broker.host + "'";
    if (mosqError == MOSQ_ERR_CONN_LOST || mosqError == MOSQ_ERR_NO_CONN)
        return "connection lost";
    if (mosqError == MOSQ_ERR_KEEPALIVE)
        return "connection lost (the broker stopped answering)";
    if (mosqError == MOSQ_ERR_PROTOCOL)
        return "the broker broke the MQTT protocol (is this an MQTT port?)";
    return std::string("connection failed: ") + mosquitto_strerror(mosqError);
}

std::string connackRefusalText(int reasonCode)
{
    switch (reasonCode) {
    case MQTT_RC_BAD_USERNAME_OR_PASSWORD:
        return "bad user name or password";
    case MQTT_RC_NOT_AUTHORIZED:
        return "not authorised";
    case MQTT_RC_SERVER_UNAVAILABLE:
    case MQTT_RC_SERVER_BUSY:
        return "the broker is unavailable";
    case MQTT_RC_BANNED:
        return "this client is banned";
    case MQTT_RC_UNSUPPORTED_PROTOCOL_VERSION:
        return "the broker does not speak MQTT 5";
    default:
        return mosquitto_reason_string(reasonCode);
    }
}

std::string publishRefusalText(int reasonCode)
{
    if (reasonCode == MQTT_RC_NOT_AUTHORIZED)
        return "not authorised to publish on this topic";
    if (reasonCode == MQTT_RC_TOPIC_NAME_INVALID)
        return "the topic name is not valid";
    return std::string("the broker refused the message: ") + mosquitto_reason_string(reasonCode);
}

bool lastFailureWasCertificate()
{
    return t_certificateFailure;
}

}  // namespace tavolo::feed
