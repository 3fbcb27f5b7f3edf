#include "distance_matrix/TrustStore.h"

#include <curl/curl.h>
#include <openssl/x509_vfy.h>

#include <map>
#include <mutex>

namespace trajetix::truststore {

namespace {

struct Stores {
    std::mutex mutex;
    std::map<QByteArray, X509_STORE *> byFile;
    ~Stores()
    {
        for (const auto &entry : byFile)
            X509_STORE_free(entry.second);
    }
};

Stores &stores()
{
    static Stores instance;
    return instance;
}

bool libcurlUsesOpenSsl(const curl_version_info_data *info)
{
    return info && info->ssl_version && QByteArray(info->ssl_version).startsWith("OpenSSL/");
}

X509_STORE *build(const QByteArray &caFile, const curl_version_info_data *info)
{
    const QByteArray file = caFile.isEmpty() ? QByteArray(info->cainfo) : caFile;
    const QByteArray folder(info->capath);
    if (file.isEmpty() && folder.isEmpty())
        return nullptr;
    X509_STORE *store = X509_STORE_new();
    if (!store)
        return nullptr;
    if ((!file.isEmpty() && X509_STORE_load_file(store, file.constData()) != 1) ||
        (!folder.isEmpty() && X509_STORE_load_path(store, folder.constData()) != 1)) {
        X509_STORE_free(store);
        return nullptr;
    }
    // As libcurl sets its own stores: a certificate in the store is trusted even when it
    // is not self-signed, and trusted ones are preferred when a chain is built.
    X509_STORE_set_flags(store, X509_V_FLAG_TRUSTED_FIRST | X509_V_FLAG_PARTIAL_CHAIN);
    return store;
}

} // namespace

bool available()
{
    const curl_version_info_data *info = curl_version_info(CURLVERSION_NOW);
    return libcurlUsesOpenSsl(info) && info->age >= CURLVERSION_SEVENTH;
}

X509_STORE *shared(const QByteArray &caFile)
{
    if (!available())
        return nullptr;
    const curl_version_info_data *info = curl_version_info(CURLVERSION_NOW);
    Stores &all = stores();
    const std::lock_guard<std::mutex> lock(all.mutex);
    const auto found = all.byFile.find(caFile);
    if (found != all.byFile.end())
        return found->second;
    X509_STORE *store = build(caFile, info);
    // A file that cannot be read is tried again by the next client.
    if (store)
        all.byFile.emplace(caFile, store);
    return store;
}

int objectCount(X509_STORE *store)
{
    if (!store)
        return 0;
    if (X509_STORE_lock(store) != 1)
        return 0;
    const int count = sk_X509_OBJECT_num(X509_STORE_get0_objects(store));
    X509_STORE_unlock(store);
    return count;
}

} // namespace trajetix::truststore
