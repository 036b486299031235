#pragma once
// Owners for libcurl's easy handles and header lists.

#include <curl/curl.h>

#include "util/UniqueHandle.h"

struct CurlEasyTraits {
    using Type = CURL*;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsInvalid(Type h) noexcept { return h == nullptr; }
    static void Close(Type h) noexcept { curl_easy_cleanup(h); }
};
using UniqueCurl = UniqueHandle<CurlEasyTraits>;

struct CurlSlistTraits {
    using Type = curl_slist*;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsInvalid(Type h) noexcept { return h == nullptr; }
    static void Close(Type h) noexcept { curl_slist_free_all(h); }
};
using UniqueCurlSlist = UniqueHandle<CurlSlistTraits>;
