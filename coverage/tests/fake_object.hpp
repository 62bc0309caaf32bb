// A descriptor as instrumented code would hand it over, built by hand:
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

// Empties the registry and its checksum.
inline void reset_registry()
{
    _clear_bb_list_head();
    gcov_crc32 = 0;
}

} // namespace covdump::test
