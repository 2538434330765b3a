#include "update/updatefetch.h"

#include <curl/curl.h>

#include <cctype>
#include <memory>

namespace {

struct Transfer {
    std::string* body;
    size_t headerBytes = 0;
    const std::function<bool()>* cancelled;
};

// Returning less than was offered makes libcurl end the transfer as failed.
size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (transfer->body->size() + bytes > kUpdateDocumentLimit) return 0;
    transfer->body->append(data, bytes);
    return bytes;
}

size_t OnHeader(char*, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    transfer->headerBytes += bytes;
    return transfer->headerBytes > kUpdateHeaderLimit ? 0 : bytes;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* transfer = static_cast<Transfer*>(user);
    return *transfer->cancelled && (*transfer->cancelled)() ? 1 : 0;
}

bool SaysPlainHttp(const std::string& url) {
    const std::string scheme = "http://";
    if (url.size() < scheme.size()) return false;
    for (size_t i = 0; i < scheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(url[i])) != scheme[i]) return false;
    return true;
}

void InitialiseLibraryOnce() {
    static const CURLcode status = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)status;  // a failed start shows as a failed fetch
}

struct EasyHandleDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

bool Configure(CURL* curl, const UpdateFetchRequest& request, Transfer& transfer) {
    bool ok = true;
    auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(curl, option, value) == CURLE_OK;
    };
    set(CURLOPT_URL, request.url.c_str());
    // Applies to redirects too, which are narrowed to https below.
    set(CURLOPT_PROTOCOLS_STR, SaysPlainHttp(request.url) ? "http,https" : "https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "https");
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, kUpdateRedirectLimit);
    set(CURLOPT_TIMEOUT_MS, request.deadlineMs);
    set(CURLOPT_NOSIGNAL, 1L);  // a worker thread must not get the process's alarms
    set(CURLOPT_FAILONERROR, 1L);
    set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kUpdateDocumentLimit));
    set(CURLOPT_WRITEFUNCTION, &OnBody);
    set(CURLOPT_WRITEDATA, &transfer);
    set(CURLOPT_HEADERFUNCTION, &OnHeader);
    set(CURLOPT_HEADERDATA, &transfer);
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_XFERINFOFUNCTION, &OnProgress);
    set(CURLOPT_XFERINFODATA, &transfer);
    if (!request.extraCaFile.empty()) set(CURLOPT_CAINFO, request.extraCaFile.c_str());
    return ok;
}

}  // namespace

bool FetchUpdateDocument(const UpdateFetchRequest& request, std::string& body) {
    body.clear();
    if (request.url.empty()) return false;
    InitialiseLibraryOnce();
    const std::unique_ptr<CURL, EasyHandleDeleter> curl(curl_easy_init());
    if (!curl) return false;
    Transfer transfer{&body, 0, &request.cancelled};
    if (!Configure(curl.get(), request, transfer)) return false;
    if (curl_easy_perform(curl.get()) == CURLE_OK) return true;
    body.clear();
    return false;
}
