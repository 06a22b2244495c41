// The row listing of an import: which data rows to take, in which order ("1-20,25,30-").
#include "exchange/row_listing.h"

#include <algorithm>

namespace kolv::exchange {

namespace {

constexpr const char* kTryAgain = "Change the row listing and try again.";

/// Reads the digits of a number; a number too large for any file counts as "past the end".
long long readNumber(std::string_view s) {
    long long v = 0;
    for (char c : s) {
        v = v * 10 + (c - '0');
        if (v > 1'000'000'000LL) return 1'000'000'000LL;
    }
    return v;
}

}  // namespace

RowListing parseRowListing(std::string_view text, int rowCount) {
    RowListing r;
    std::string s;
    for (char c : text) {
        if (c == ' ' || c == '\t') continue;
        if ((c < '0' || c > '9') && c != '-' && c != ',') {
            r.error = "The row listing may hold only row numbers, '-' and ','.\n" + std::string(kTryAgain);
            return r;
        }
        s.push_back(c);
    }
    if (std::count(s.begin(), s.end(), ',') > kMaxRowListingCommas) {
        r.error = "Number of commas in the row listing has exceeded 10.\n" + std::string(kTryAgain);
        return r;
    }

    const long long last = std::max(rowCount, 0);
    std::size_t start = 0;
    while (start <= s.size()) {
        std::size_t end = s.find(',', start);
        if (end == std::string::npos) end = s.size();
        std::string_view item(s.data() + start, end - start);
        start = end + 1;
        if (item.empty()) continue;
        const std::size_t dash = item.find('-');
        if (dash == std::string_view::npos) {
            long long v = readNumber(item);
            if (v >= 1 && v <= last) r.rows.push_back(static_cast<int>(v));
            continue;
        }
        std::string_view a = item.substr(0, dash), b = item.substr(dash + 1);
        if (b.find('-') != std::string_view::npos || (a.empty() && b.empty())) {
            r.error = "The row listing item '" + std::string(item) + "' is not a row or a range.\n" + kTryAgain;
            r.rows.clear();
            return r;
        }
        long long from = a.empty() ? 1 : readNumber(a);
        long long to = b.empty() ? last : readNumber(b);
        // Only the part of the range inside the file is taken.
        if (from <= to) {
            for (long long v = std::max(from, 1LL); v <= std::min(to, last); ++v) r.rows.push_back(static_cast<int>(v));
        } else {
            for (long long v = std::min(from, last); v >= std::max(to, 1LL); --v) r.rows.push_back(static_cast<int>(v));
        }
    }
    if (r.rows.empty()) r.error = "No rows have been selected. Import aborted.";
    return r;
}

}  // namespace kolv::exchange
