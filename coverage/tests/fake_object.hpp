// Descriptors as instrumented code would hand them over, built by hand:
// one count per present counter kind for every function, counters zeroed.
#pragma once

#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "covdump.h"

namespace covdump::test
{

inline constexpr std::uint32_t kCompilerVersion = 0x3430322A;

class FakeObject
{
  public:
    // fn_counts[f][j]: counters of the j-th present kind in function f.
    FakeObject(std::string filename, std::uint32_t mask,
               std::vector<std::vector<std::uint32_t>> fn_counts, std::uint32_t stamp = 0x5EED1234)
        : filename_(std::move(filename)), kinds_(std::popcount(mask)),
          storage_(new std::uint64_t[(sizeof(gcov_object_desc) +
                                      static_cast<std::size_t>(kinds_) * sizeof(gcov_ctr_desc)) /
                                         8 +
                                     1]())
    {
        values_.resize(static_cast<std::size_t>(kinds_));
        std::uint32_t ident = 100;
        for (const auto &counts : fn_counts) {
            fn_words_.push_back(ident++);
            fn_words_.push_back(0xC0FFEE00U + ident);
            for (int j = 0; j < kinds_; ++j) {
                fn_words_.push_back(counts.at(static_cast<std::size_t>(j)));
                values_[static_cast<std::size_t>(j)].resize(
                    values_[static_cast<std::size_t>(j)].size() +
                    counts[static_cast<std::size_t>(j)]);
            }
        }
        gcov_object_desc *d = desc();
        d->version = kCompilerVersion;
        d->next = nullptr;
        d->stamp = stamp;
        d->filename = filename_.c_str();
        d->n_functions = static_cast<std::uint32_t>(fn_counts.size());
        d->functions = reinterpret_cast<const gcov_fn_desc *>(fn_words_.data());
        d->ctr_mask = mask;
        for (int j = 0; j < kinds_; ++j) {
            auto &v = values_[static_cast<std::size_t>(j)];
            d->counts[j] = {static_cast<std::uint32_t>(v.size()), v.data(), __gcov_merge_add};
        }
    }

    gcov_object_desc *desc()
    {
        return reinterpret_cast<gcov_object_desc *>(storage_.get());
    }
    // Counters of the j-th present kind, function after function.
    std::vector<gcov_type> &values(int j)
    {
        return values_.at(static_cast<std::size_t>(j));
    }
    const std::string &filename() const
    {
        return filename_;
    }
    void register_it()
    {
        __gcov_init(desc());
    }

  private:
    std::string filename_;
    int kinds_;
    std::unique_ptr<std::uint64_t[]> storage_;
    std::vector<std::uint32_t> fn_words_;
    std::vector<std::vector<gcov_type>> values_;
};

inline constexpr std::uint32_t kGcc12Version = 0x4232322A; // "B22*"

// A GCC 12 descriptor built by hand: kinds present where `merge_mask` has a
// bit, one count per present kind for every function, counters zeroed.
class FakeObject12
{
  public:
    FakeObject12(std::string filename, std::uint32_t merge_mask,
                 std::vector<std::vector<std::uint32_t>> fn_counts,
                 std::uint32_t stamp = 0x5EED1234)
        : filename_(std::move(filename)), kinds_(std::popcount(merge_mask)),
          fn_words_((sizeof(gcov12_fn_desc) +
                     static_cast<std::size_t>(kinds_) * sizeof(gcov12_ctr_desc) + 7) /
                    8)
    {
        desc_.version = kGcc12Version;
        desc_.stamp = stamp;
        desc_.checksum = 0xC4EC5000U + static_cast<std::uint32_t>(fn_counts.size());
        desc_.filename = filename_.c_str();
        for (int t = 0; t < GCOV12_COUNTER_KINDS; ++t) {
            desc_.merge[t] = (merge_mask >> t & 1U) != 0 ? __gcov_merge_add : nullptr;
        }
        values_.resize(fn_counts.size() * static_cast<std::size_t>(kinds_));
        std::uint32_t ident = 100;
        for (std::size_t f = 0; f < fn_counts.size(); ++f) {
            storage_.emplace_back(new std::uint64_t[fn_words_]());
            gcov12_fn_desc *fn = function(f);
            fn->key = &desc_;
            fn->ident = ident++;
            fn->lineno_checksum = 0x11110000U + ident;
            fn->cfg_checksum = 0x22220000U + ident;
            for (int j = 0; j < kinds_; ++j) {
                auto &v = values(f, j);
                v.resize(fn_counts[f].at(static_cast<std::size_t>(j)));
                fn->ctrs[j] = {static_cast<std::uint32_t>(v.size()), v.data()};
            }
            pointers_.push_back(fn);
        }
        desc_.n_functions = static_cast<std::uint32_t>(fn_counts.size());
        desc_.functions = pointers_.data();
    }
    FakeObject12(const FakeObject12 &) = delete;
    FakeObject12 &operator=(const FakeObject12 &) = delete;

    gcov12_object_desc *desc()
    {
        return &desc_;
    }
    gcov12_fn_desc *function(std::size_t f)
    {
        return reinterpret_cast<gcov12_fn_desc *>(storage_.at(f).get());
    }
    // Counters of the j-th present kind of function f.
    std::vector<gcov_type> &values(std::size_t f, int j)
    {
        return values_.at(f * static_cast<std::size_t>(kinds_) + static_cast<std::size_t>(j));
    }
    // Replaces the function pointer at f (null, or a record of another object).
    void set_function(std::size_t f, const gcov12_fn_desc *fn)
    {
        pointers_.at(f) = fn;
    }
    void register_it()
    {
        __gcov_init(reinterpret_cast<gcov_object_desc *>(&desc_));
    }

  private:
    std::string filename_;
    int kinds_;
    std::size_t fn_words_;
    gcov12_object_desc desc_{};
    std::vector<std::unique_ptr<std::uint64_t[]>> storage_;
    std::vector<const gcov12_fn_desc *> pointers_;
    std::vector<std::vector<gcov_type>> values_;
};

// Empties the registry and its checksum.
inline void reset_registry()
{
    _clear_bb_list_head();
    gcov_crc32 = 0;
}

} // namespace covdump::test
