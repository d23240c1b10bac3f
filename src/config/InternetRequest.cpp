#include "config/InternetRequest.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "config/SplitUrl.h"

namespace palvex {

namespace {

constexpr const char* kAgent = "Agent";
constexpr long kMaxRedirects = 5;
// Loopback never goes through a proxy.
constexpr std::string_view kNeverProxied = "localhost,127.0.0.0/8,::1";

struct TEasyDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct TListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

struct TTransfer {
    std::string_view Url;
    std::string* Answer;
    TInternetProgress* Progress;
    bool Started = false;
};

// Appends a chunk; returning less than its size makes curl fail the transfer.
size_t WriteChunk(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<TTransfer*>(user);
    const size_t bytes = size * count;
    if (t.Answer->size() + bytes > kMaxInternetAnswerBytes) return 0;
    t.Answer->append(data, bytes);
    TInternetProgress* p = t.Progress;
    if (!p || !p->Callback) return bytes;
    if (!t.Started) {
        t.Started = true;
        p->Available = static_cast<uint32_t>(bytes);
        p->Callback(t.Url, *p, *t.Answer);
        if (p->Cancel) return 0;
    }
    p->Total += static_cast<int32_t>(bytes);
    p->Callback(t.Url, *p, *t.Answer);
    return p->Cancel ? 0 : bytes;
}

std::string CurlTarget(const TUrlParts& parts) {
    return parts.Scheme + "://" + parts.Host + ":" + std::to_string(parts.Port) + parts.Object;
}

std::string NoProxyList(bool usePreconfiguredProxy) {
    if (!usePreconfiguredProxy) return "*";
    std::string list(kNeverProxied);
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
        const char* value = std::getenv(name);
        if (value && *value) list += std::string(",") + value;
    }
    return list;
}

void SetOptions(CURL* curl, const TUrlParts& parts, const std::string& target,
                const std::string& noProxy, const TInternetLimits& limits) {
    curl_easy_setopt(curl, CURLOPT_URL, target.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kAgent);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, noProxy.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.Connect.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.Total.count()));
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    if (!parts.User.empty()) curl_easy_setopt(curl, CURLOPT_USERNAME, parts.User.c_str());
    if (!parts.Password.empty()) curl_easy_setopt(curl, CURLOPT_PASSWORD, parts.Password.c_str());
}

curl_slist* ReloadHeaders() {
    curl_slist* list = curl_slist_append(nullptr, "Cache-Control: no-cache");
    return curl_slist_append(list, "Pragma: no-cache");
}

}  // namespace

bool InternetRequest(std::string_view url, bool usePreconfiguredProxy, bool reload,
                     std::string& answer, TInternetProgress* progress, const std::string* postData,
                     const TInternetLimits& limits) {
    answer.clear();
    if (progress) progress->Available = progress->Total = 0;
    if (progress) progress->Cancel = progress->Finished = false;
    const std::optional<TUrlParts> parts = SplitUrl(url);
    if (!parts) return false;
    static std::once_flag initOnce;
    std::call_once(initOnce, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    const std::unique_ptr<CURL, TEasyDeleter> curl(curl_easy_init());
    if (!curl) return false;
    const std::string target = CurlTarget(*parts);
    const std::string noProxy = NoProxyList(usePreconfiguredProxy);
    SetOptions(curl.get(), *parts, target, noProxy, limits);
    const std::unique_ptr<curl_slist, TListDeleter> headers(reload ? ReloadHeaders() : nullptr);
    if (headers) curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.get());
    if (postData) {
        curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, postData->data());
        curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(postData->size()));
    }
    TTransfer transfer{url, &answer, progress};
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, WriteChunk);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &transfer);
    if (curl_easy_perform(curl.get()) != CURLE_OK) return false;
    if (progress) {
        progress->Finished = true;
        if (progress->Callback) progress->Callback(url, *progress, answer);
        if (progress->Cancel) return false;
    }
    return true;
}

}  // namespace palvex
