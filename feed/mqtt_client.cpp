#include "feed/mqtt_client.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

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

// OpenSSL's verdict on each certificate of the broker's chain; the first
// fault is what the user is told.
int recordVerdict(int ok, X509_STORE_CTX* store)
{
    if (!ok && t_verifyResult == X509_V_OK)
        t_verifyResult = X509_STORE_CTX_get_error(store);
    return ok;
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
    t_verifyResult = X509_V_OK;
    ClientHandle client(mosquitto_new(clientId.empty() ? nullptr : clientId.c_str(), cleanStart, userdata));
    if (!client) {
        error = std::string("cannot make an MQTT client: ") + std::strerror(errno);
        return nullptr;
    }
    mosquitto_int_option(client.get(), MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    // One small message a reading: sent at once, not held back to fill a segment.
    mosquitto_int_option(client.get(), MOSQ_OPT_TCP_NODELAY, 1);
    if (!settings.user.empty() &&
        mosquitto_username_pw_set(client.get(), settings.user.c_str(),
                                  settings.password.empty() ? nullptr : settings.password.c_str()) != MOSQ_ERR_SUCCESS) {
        error = "the MQTT user name is not valid UTF-8";
        return nullptr;
    }
    if (!settings.broker.tls)
        return client;

    // Our own context, set up here and used by the library as it is: the
    // check of the broker's certificate and host name is OpenSSL's, and its
    // verdict is kept (recordVerdict) to tell the user why a handshake failed.
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
    if (!context) {
        error = "cannot set up TLS";
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
    const bool trusted = settings.caFile.empty()
                             ? SSL_CTX_set_default_verify_paths(context.get()) == 1
                             : SSL_CTX_load_verify_locations(context.get(), settings.caFile.c_str(), nullptr) == 1;
    if (!trusted) {
        error = settings.caFile.empty() ? std::string("cannot load the system's CA certificates")
                                        : "cannot load the CA file '" + settings.caFile + "'";
        return nullptr;
    }
    if (!settings.certFile.empty()) {
        if (SSL_CTX_use_certificate_chain_file(context.get(), settings.certFile.c_str()) != 1) {
            error = "cannot load the client certificate '" + settings.certFile + "'";
            return nullptr;
        }
        if (SSL_CTX_use_PrivateKey_file(context.get(), settings.keyFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
            SSL_CTX_check_private_key(context.get()) != 1) {
            error = "cannot use the key '" + settings.keyFile + "' with the client certificate";
            return nullptr;
        }
    }
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, recordVerdict);
    X509_VERIFY_PARAM* param = SSL_CTX_get0_param(context.get());
    const std::string& host = settings.broker.host;
    if (X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str()) != 1) {  // not an address: a name
        X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        X509_VERIFY_PARAM_set1_host(param, host.c_str(), host.size());
    }
    mosquitto_int_option(client.get(), MOSQ_OPT_SSL_CTX_WITH_DEFAULTS, 0);
    mosquitto_void_option(client.get(), MOSQ_OPT_SSL_CTX, context.get());
    // Turns TLS on in the library; the files were loaded into the context above.
    const char* cafile = settings.caFile.empty() ? nullptr : settings.caFile.c_str();
    const int rc = mosquitto_tls_set(client.get(), cafile, cafile ? nullptr : "/etc/ssl/certs", nullptr, nullptr, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
        error = "cannot use the CA file '" + settings.caFile + "': " +
                (rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc));
        return nullptr;
    }
    mosquitto_tls_insecure_set(client.get(), false);
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
    if (mosqError == MOSQ_ERR_TIMEOUT)
        return "broker unreachable: no answer from " + broker.display();
    if (mosqError == MOSQ_ERR_KEEPALIVE)
        return "connection lost (the broker stopped answering)";
    if (mosqError == MOSQ_ERR_PROTOCOL)
        return "the broker broke the MQTT protocol (is this an MQTT port?)";
    return std::string("connection failed: ") + mosquitto_strerror(mosqError);
}

std::string connackRefusalText(int reasonCode, bool withUser)
{
    switch (reasonCode) {
    case MQTT_RC_BAD_USERNAME_OR_PASSWORD:
        return "bad user name or password";
    case MQTT_RC_NOT_AUTHORIZED:
        // Brokers (mosquitto among them) answer a wrong password with this code too.
        return withUser ? "bad user name or password, or the user is not authorised"
                        : "not authorised (does the broker want a user name? --mqtt-user)";
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
