// A list of objects kept sorted by texts that descendants supply (the names of variables and
// functions), with binary search and the choice of what a duplicate does.
#pragma once

#include "engine/base/Errors.h"
#include "engine/base/Text.h"

#include <string>
#include <utility>
#include <vector>

namespace skv::engine {

enum class TDuplicates { dupIgnore, dupAccept, dupError };

template <class T> class TSortedObjList {
public:
    virtual ~TSortedObjList() = default;

    int Count() const { return static_cast<int>(Items.size()); }
    T* Objects(int Index) const {
        CheckIndex(Index);
        return Items[static_cast<std::size_t>(Index)];
    }
    std::string Get(int Index) const {
        CheckIndex(Index);
        return GetString(Index);
    }
    void Put(int Index, const std::string& Text) {
        if (Sorted) throw EListError("Operation not allowed on sorted string list");
        CheckIndex(Index);
        PutString(Index, Text);
    }
    virtual int Compare(const std::string& A, const std::string& B) const { return CompareNames(A, B); }

    // Binary search. With duplicates accepted it reports the first of several equal texts.
    bool Find(const std::string& Text, int& Index) const {
        int lo = 0;
        int hi = Count() - 1;
        bool found = false;
        while (lo <= hi) {
            const int mid = lo + (hi - lo) / 2;
            const int c = Compare(GetString(mid), Text);
            if (c < 0) {
                lo = mid + 1;
                continue;
            }
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (Duplicates != TDuplicates::dupAccept) lo = mid;
            }
        }
        Index = lo;
        return found;
    }

    void Sort() {
        // Insertion sort keeps equal texts in their order and needs only the virtual texts.
        for (int i = 1; i < Count(); ++i) {
            for (int j = i; j > 0 && Compare(GetString(j - 1), GetString(j)) > 0; --j)
                std::swap(Items[static_cast<std::size_t>(j - 1)], Items[static_cast<std::size_t>(j)]);
        }
    }

    // Adds at the sorted place (at the end when not sorted); returns the index, or -1 when a
    // duplicate was ignored.
    int Add(T* Object, const std::string& Text) {
        int index = Count();
        if (Sorted && Find(Text, index)) {
            if (Duplicates == TDuplicates::dupIgnore) return -1;
            if (Duplicates == TDuplicates::dupError)
                throw EListError("String list does not allow duplicates");
        }
        Items.insert(Items.begin() + index, Object);
        return index;
    }
    void Delete(int Index) {
        CheckIndex(Index);
        Items.erase(Items.begin() + Index);
    }
    int IndexOf(const T* Object) const {
        for (int i = 0; i < Count(); ++i)
            if (Items[static_cast<std::size_t>(i)] == Object) return i;
        return -1;
    }

    bool Sorted = true;
    TDuplicates Duplicates = TDuplicates::dupIgnore;

protected:
    virtual std::string GetString(int Index) const = 0;
    virtual void PutString(int Index, const std::string& Text) = 0;
    void CheckIndex(int Index) const {
        if (Index < 0 || Index >= Count())
            throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    }

    std::vector<T*> Items;
};

} // namespace skv::engine
