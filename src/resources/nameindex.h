// A hash of the names of a support table, so that a look-up finds the same
// record as a scan from the start would (the first one with the name)
// without comparing every record. Names are compared as they stand, or with
// A-Z taken as a-z. The index only refers to the names: they must stay where
// they are while it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>

class NameIndex {
public:
    explicit NameIndex(bool fold = false) : map_(16, Hash{fold}, Equal{fold}) {}

    void clear() { map_.clear(); }
    // Record k has this name; an earlier record with the same name is kept.
    void add(std::string_view name, int k) { map_.emplace(name, k); }
    // The first record with the name, or 0.
    int find(std::string_view name) const
    {
        auto it = map_.find(name);
        return it == map_.end() ? 0 : it->second;
    }

private:
    static unsigned char fold_byte(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

    struct Hash {
        bool fold;
        size_t operator()(std::string_view s) const
        {
            uint64_t h = 14695981039346656037u;
            for (unsigned char c : s) h = (h ^ (fold ? fold_byte(c) : c)) * 1099511628211u;
            return static_cast<size_t>(h);
        }
    };
    struct Equal {
        bool fold;
        bool operator()(std::string_view a, std::string_view b) const
        {
            if (a.size() != b.size()) return false;
            if (!fold) return a == b;
            for (size_t i = 0; i < a.size(); ++i)
                if (fold_byte(static_cast<unsigned char>(a[i])) != fold_byte(static_cast<unsigned char>(b[i])))
                    return false;
            return true;
        }
    };

    std::unordered_map<std::string_view, int, Hash, Equal> map_;
};
