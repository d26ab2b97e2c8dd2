#include "tls_trust.h"

#include <sys/stat.h>

#ifdef ZELVORNA_DEMO_STATION
#include "demo_certificate.h"

#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#endif

namespace zelvorna {
namespace {

bool isFolder(const char* path) {
    struct stat info {};
    return path && stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

// The system's authorities from their hashed folder, where only the issuer a server names is
// read, instead of parsing the whole bundle file for each connection (about 15 ms every time).
// Kept when the system has no such folder.
void useAuthorityFolder(CURL* easy) {
    char* folder = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_CAPATH, &folder) == CURLE_OK && isFolder(folder))
        curl_easy_setopt(easy, CURLOPT_CAINFO, nullptr);
}

#ifdef ZELVORNA_DEMO_STATION
// libcurl has set up the system's authorities in the context already; the demo certificate
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
    X509_STORE_add_cert(store, certificate); // the store keeps its own reference
    X509_free(certificate);
    return CURLE_OK;
}
#endif

} // namespace

void SetUpTrust(CURL* easy) {
    useAuthorityFolder(easy);
#ifdef ZELVORNA_DEMO_STATION
    curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &addDemoCertificate);
#endif
}

} // namespace zelvorna
