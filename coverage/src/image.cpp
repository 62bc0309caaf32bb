// Builds the dump image: header, then per object its name and the gcov
// data image the compiler's own runtime would have written for it.
#include "image.hpp"

#include <bit>
#include <cstring>

#include "settings.hpp"

namespace covdump {
namespace {

namespace s = settings;

// Fixed words of one object's record around its functions: name length,
// image length, magic, version, stamp.
constexpr std::uint64_t kRecordFixed = 20;
// Object and program summaries: two tags, two lengths, 18 words.
constexpr std::uint64_t kSummaries = 88;
constexpr std::uint64_t kFunctionHeader = 16;
constexpr std::uint64_t kCounterHeader = 8;
constexpr std::uint32_t kSummaryWords = 9;

// Writes words and bytes at a moving position.
class Cursor {
public:
  explicit Cursor(unsigned char *at) : at_(at) {}
  void put_be32(std::uint32_t v) {
    const unsigned char bytes[4] = {static_cast<unsigned char>(v >> 24),
                                    static_cast<unsigned char>(v >> 16),
                                    static_cast<unsigned char>(v >> 8),
                                    static_cast<unsigned char>(v)};
    put_bytes(bytes, sizeof bytes);
  }
  void put32(std::uint32_t v) { put_bytes(&v, sizeof v); }
  void put_bytes(const void *data, std::size_t n) {
    std::memcpy(at_, data, n);
    at_ += n;
  }
  // Counters as low word then high word, each in native order.
  void put_counters(const gcov_type *values, std::uint32_t n) {
    if constexpr (std::endian::native == std::endian::little) {
      put_bytes(values, std::size_t{n} * sizeof(gcov_type));
    } else {
      for (std::uint32_t i = 0; i < n; ++i) {
        const auto v = static_cast<std::uint64_t>(values[i]);
        put32(static_cast<std::uint32_t>(v));
        put32(static_cast<std::uint32_t>(v >> 32));
      }
    }
  }
  // 64-bit summary value: low word, then a high word of 0.
  void put_low_and_zero(std::uint64_t v) {
    put32(static_cast<std::uint32_t>(v));
    put32(0);
  }
  unsigned char *at() const { return at_; }

private:
  unsigned char *at_;
};

const std::uint32_t *function_record(const gcov_object_desc &obj, std::uint32_t index, int kinds) {
  const auto *words = reinterpret_cast<const std::uint32_t *>(obj.functions);
  return words + std::size_t{index} * static_cast<std::size_t>(2 + kinds);
}

Summary run_totals(const gcov_object_desc *head) {
  Summary run;
  for (const gcov_object_desc *obj = head; obj != nullptr; obj = obj->next) {
    const Summary one = arc_totals(*obj);
    run.num += one.num;
    run.sum_all += one.sum_all;
    if (one.run_max > run.run_max) {
      run.run_max = one.run_max;
    }
  }
  return run;
}

// One record with arc counters merges the run's totals into the running
// program summary.
void merge_run(Summary &program, const Summary &run) {
  if (program.runs == 0) {
    program.num = run.num;
  }
  ++program.runs;
  program.sum_all += run.sum_all;
  if (run.run_max > program.run_max) {
    program.run_max = run.run_max;
  }
  program.sum_max += static_cast<std::uint64_t>(run.run_max);
}

void put_summary(Cursor &out, std::uint32_t tag, std::uint32_t checksum, const Summary &sum) {
  out.put32(tag);
  out.put32(kSummaryWords);
  out.put32(checksum);
  out.put32(sum.num);
  out.put32(sum.runs);
  out.put_low_and_zero(sum.sum_all);
  out.put_low_and_zero(static_cast<std::uint64_t>(sum.run_max));
  out.put_low_and_zero(sum.sum_max);
}

void put_functions(Cursor &out, const gcov_object_desc &obj) {
  const int kinds = kinds_present(obj.ctr_mask);
  const gcov_type *cursor[32] = {};
  for (int j = 0; j < kinds; ++j) {
    cursor[j] = obj.counts[j].values;
  }
  for (std::uint32_t f = 0; f < obj.n_functions; ++f) {
    const std::uint32_t *rec = function_record(obj, f, kinds);
    out.put32(s::kTagFunction);
    out.put32(2);
    out.put32(rec[0]);
    out.put32(rec[1]);
    int j = 0;
    for (std::uint32_t t = 0; t < 32; ++t) {
      if ((obj.ctr_mask & (1U << t)) == 0) {
        continue;
      }
      const std::uint32_t n = rec[2 + j];
      out.put32(s::kTagCounterBase + (t << 17));
      out.put32(2 * n);
      out.put_counters(cursor[j], n);
      cursor[j] += n;
      ++j;
    }
  }
}

} // namespace

int kinds_present(std::uint32_t mask) { return std::popcount(mask); }

Summary arc_totals(const gcov_object_desc &obj) {
  Summary sum;
  if ((obj.ctr_mask & 1U) == 0) {
    return sum;
  }
  const gcov_ctr_desc &arcs = obj.counts[0];
  sum.num = arcs.num;
  sum.runs = 1;
  for (std::uint32_t i = 0; i < arcs.num; ++i) {
    const gcov_type v = arcs.values[i];
    sum.sum_all += static_cast<std::uint64_t>(v);
    if (v > sum.run_max) {
      sum.run_max = v;
    }
  }
  sum.sum_max = static_cast<std::uint64_t>(sum.run_max);
  return sum;
}

std::uint64_t image_size(const gcov_object_desc *head) {
  std::uint64_t size = s::kImageHeaderSize;
  for (const gcov_object_desc *obj = head; obj != nullptr; obj = obj->next) {
    const int kinds = kinds_present(obj->ctr_mask);
    size += std::strlen(obj->filename) + 1 + kRecordFixed + kSummaries;
    for (std::uint32_t f = 0; f < obj->n_functions; ++f) {
      const std::uint32_t *rec = function_record(*obj, f, kinds);
      size += kFunctionHeader;
      for (int j = 0; j < kinds; ++j) {
        size += kCounterHeader + 8 * std::uint64_t{rec[2 + j]};
      }
    }
  }
  return size;
}

std::size_t write_image(const gcov_object_desc *head, std::uint32_t crc,
                        std::span<unsigned char> out) {
  Cursor at(out.data());
  std::uint32_t count = 0;
  for (const gcov_object_desc *obj = head; obj != nullptr; obj = obj->next) {
    ++count;
  }
  at.put_be32(static_cast<std::uint32_t>(s::kImageVersion));
  at.put_be32(count);

  const Summary run = run_totals(head);
  Summary program;
  for (const gcov_object_desc *obj = head; obj != nullptr; obj = obj->next) {
    const Summary object = arc_totals(*obj);
    const std::size_t name_len = std::strlen(obj->filename) + 1;
    at.put_be32(static_cast<std::uint32_t>(name_len));
    at.put_bytes(obj->filename, name_len);
    unsigned char *length_slot = at.at();
    at.put32(0);
    if (object.runs != 0) {
      merge_run(program, run);
    }
    unsigned char *data_start = at.at();
    at.put32(s::kGcdaMagic);
    at.put32(s::kGcdaVersion);
    at.put32(obj->stamp);
    put_functions(at, *obj);
    put_summary(at, s::kTagObjectSummary, 0, object);
    put_summary(at, s::kTagProgramSummary, crc, program);
    Cursor(length_slot).put_be32(static_cast<std::uint32_t>(at.at() - data_start));
  }
  return static_cast<std::size_t>(at.at() - out.data());
}

} // namespace covdump
