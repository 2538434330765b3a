// Fetching the update document over the network, bounded in time and size so
// that no server can keep the check waiting or fill the memory.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// One deadline for the whole fetch: connecting, the headers and the body.
constexpr long kUpdateDeadlineMs = 10000;
// An update document is a few lines; anything far larger is not one.
constexpr size_t kUpdateDocumentLimit = 64 * 1024;
// All response headers together, redirects included.
constexpr size_t kUpdateHeaderLimit = 64 * 1024;
constexpr long kUpdateRedirectLimit = 3;

struct UpdateFetchRequest {
    // https, or plain http only when the address itself says "http://".
    // Redirects are followed only to https.
    std::string url;
    long deadlineMs = kUpdateDeadlineMs;
    // The certificates to trust instead of the system's; empty for the system's.
    std::string extraCaFile;
    // Asked now and then during the fetch; true ends it as failed.
    std::function<bool()> cancelled;
};

// The body of a successful (2xx) answer; false when the fetch failed, was
// refused, was cancelled, or broke a bound.
bool FetchUpdateDocument(const UpdateFetchRequest& request, std::string& body);
