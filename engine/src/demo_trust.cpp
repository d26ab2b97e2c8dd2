#include "demo_trust.h"

#ifdef ZELVORNA_DEMO_STATION
#include "demo_certificate.h"

#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#endif

namespace zelvorna {

#ifdef ZELVORNA_DEMO_STATION
namespace {

// libcurl has loaded the system's authorities into the context already; the demo certificate
// goes beside them.
CURLcode addDemoCertificate(CURL*, void* sslContext, void*) {
    BIO* pem = BIO_new_mem_buf(kDemoStationCertificate, -1);
    if (!pem)
        return CURLE_OUT_OF_MEMORY;
    X509* certificate = PEM_read_bio_X509(pem, nullptr, nullptr, nullptr);
    BIO_free(pem);
    if (!certificate)
        return CURLE_SSL_CERTPROBLEM;
    X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslContext));
    X509_STORE_add_cert(store, certificate); // a copy is kept; a duplicate is harmless
    X509_free(certificate);
    return CURLE_OK;
}

} // namespace

void TrustDemoStation(CURL* easy) {
    curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &addDemoCertificate);
}
#else
void TrustDemoStation(CURL*) {}
#endif

} // namespace zelvorna
