#include "merge.hpp"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "bad_input.hpp"
#include "dump_reader.hpp"
#include "image_merge.hpp"
#include "image_write.hpp"

namespace covtool
{
namespace
{

// Object names of all inputs, numbered once.
class Names
{
  public:
    std::uint32_t id(const std::string &name)
    {
        const auto [it, added] = ids_.try_emplace(name, static_cast<std::uint32_t>(ids_.size()));
        return it->second;
    }
    std::size_t size() const
    {
        return ids_.size();
    }

  private:
    std::unordered_map<std::string, std::uint32_t> ids_;
};

// One input dump: read in its own order; records passed over while looking
// for another object wait in `pending` until their turn.
struct Input {
    explicit Input(const Source &source) : reader(source) {}
    DumpReader reader;
    std::vector<std::uint32_t> seen; // per name: records of that name read so far
    std::unordered_map<std::uint64_t, RecordRef> pending;
    std::vector<std::uint64_t> pending_order;
    bool exhausted = false;
};

// A record of the output whose program summary is written at the end.
struct Gcc4Record {
    std::uint64_t summary_offset;
    bool has_arcs;
};

class Merger
{
  public:
    template <typename F> auto with_file(const Source &source, F &&f)
    {
        return naming_file(source.name(), std::forward<F>(f));
    }

    Merger(std::span<const Source *const> sources, Sink &out, const MergeOptions &options,
           std::ostream &err)
        : sources_(sources), out_(out), options_(options), err_(err)
    {
        for (const Source *s : sources) {
            with_file(*s, [&] { inputs_.push_back(std::make_unique<Input>(*s)); });
        }
    }

    void run()
    {
        const unsigned char header[8] = {0, 0, 0, static_cast<unsigned char>(kContainerVersion),
                                         0, 0, 0, 0};
        out_.write(header);
        written_ = sizeof header;
        for (std::size_t i = 0; i < inputs_.size(); ++i) {
            Input &in = *inputs_[i];
            // What this input holds that no earlier one had: first the
            // records passed over, then the rest of the dump.
            for (const std::uint64_t key : in.pending_order) {
                if (auto it = in.pending.find(key); it != in.pending.end()) {
                    RecordRef ref = std::move(it->second);
                    in.pending.erase(it);
                    merge_object(i, ref, key);
                    in.reader.release(ref);
                }
            }
            in.pending_order.clear();
            RecordRef ref;
            std::uint64_t key = 0;
            while (scan(i, ref, key)) {
                merge_object(i, ref, key);
            }
        }
        finish();
    }

  private:
    bool scan(std::size_t i, RecordRef &ref, std::uint64_t &key)
    {
        Input &in = *inputs_[i];
        bool got = false;
        with_file(*sources_[i], [&] { got = !in.exhausted && in.reader.next(ref); });
        if (!got) {
            in.exhausted = true;
            return false;
        }
        const std::uint32_t id = names_.id(ref.name);
        if (in.seen.size() <= id) {
            in.seen.resize(names_.size());
        }
        key = (std::uint64_t{id} << 32) | in.seen[id]++;
        return true;
    }

    // Finds the record of `key` in input i; `out_of_turn` tells whether it
    // was passed over before (its memory can go once it is merged).
    bool find(std::size_t i, std::uint64_t key, RecordRef &ref, bool &out_of_turn)
    {
        Input &in = *inputs_[i];
        out_of_turn = false;
        if (auto it = in.pending.find(key); it != in.pending.end()) {
            ref = std::move(it->second);
            in.pending.erase(it);
            out_of_turn = true;
            return true;
        }
        std::uint64_t found = 0;
        while (scan(i, ref, found)) {
            if (found == key) {
                return true;
            }
            in.pending.emplace(found, ref);
            in.pending_order.push_back(found);
        }
        return false;
    }

    void read_image(std::size_t i, const RecordRef &ref, DataImage &image)
    {
        with_file(*sources_[i], [&] {
            parse_image(inputs_[i]->reader.image(ref, scratch_), ref.image_offset, image);
        });
    }

    void merge_object(std::size_t first, const RecordRef &ref, std::uint64_t key)
    {
        read_image(first, ref, merged_);
        for (std::size_t j = first + 1; j < inputs_.size(); ++j) {
            RecordRef other;
            bool out_of_turn = false;
            if (find(j, key, other, out_of_turn)) {
                merge_record(first, j, other, ref.name);
                if (out_of_turn) {
                    inputs_[j]->reader.release(other);
                }
            }
        }
        emit(ref.name);
    }

    // Adds input j's record of the object to the merged one, unless it does
    // not match.
    void merge_record(std::size_t first, std::size_t j, const RecordRef &other,
                      const std::string &name)
    {
        const auto bytes =
            with_file(*sources_[j], [&] { return inputs_[j]->reader.image(other, scratch_); });
        if (merge_same_shape(merged_, bytes)) {
            return;
        }
        with_file(*sources_[j], [&] { parse_image(bytes, other.image_offset, incoming_); });
        const std::string difference = first_difference(merged_, incoming_);
        if (difference.empty()) {
            merge_into(merged_, incoming_);
            return;
        }
        const std::string text = name + ": " + sources_[j]->name() + " does not match " +
                                 sources_[first]->name() + ": " + difference;
        if (!options_.skip_mismatch) {
            throw Failure(text);
        }
        err_ << "covtool: " << text << " (left out)\n";
    }

    void emit(const std::string &name)
    {
        Gcc4Summary object;
        if (merged_.family == Family::gcc4) {
            object = gcc4_object_summary(merged_);
            if (!have_checksum_) {
                checksum_ = merged_.program_checksum;
                have_checksum_ = true;
            }
            run_.num += object.num;
            run_.sum_all += object.sum_all;
            run_.run_max = std::max(run_.run_max, object.run_max);
        }
        record_.clear();
        const auto name_length = static_cast<std::uint32_t>(name.size() + 1);
        put_be32(name_length);
        record_.insert(record_.end(), name.begin(), name.end());
        record_.push_back(0);
        const std::size_t length_at = record_.size();
        put_be32(0);
        write_image(merged_, object, Gcc4Summary{}, record_);
        const std::size_t image_length = record_.size() - length_at - 4;
        if (image_length > UINT32_MAX) {
            throw Failure(name + ": the merged data image is too large for its record");
        }
        store_be32(&record_[length_at], static_cast<std::uint32_t>(image_length));
        out_.write(record_);
        written_ += record_.size();
        if (merged_.family == Family::gcc4) {
            gcc4_records_.push_back({written_ - kGcc4SummaryBytes, merged_.has_arcs()});
        }
        if (++count_ == 0) {
            throw Failure("more records than a dump can hold");
        }
    }

    // The record count and the program summaries, now that the whole run
    // is known.
    void finish()
    {
        unsigned char count[4];
        store_be32(count, count_);
        out_.patch(4, count);
        Gcc4Summary program;
        unsigned char summary[kGcc4SummaryBytes];
        for (const Gcc4Record &r : gcc4_records_) {
            if (r.has_arcs) {
                gcc4_merge_run(program, run_);
            }
            program.checksum = checksum_;
            put_gcc4_summary(summary, kTagProgramSummary, program);
            out_.patch(r.summary_offset, summary);
        }
    }

    static void store_be32(unsigned char *p, std::uint32_t v)
    {
        p[0] = static_cast<unsigned char>(v >> 24);
        p[1] = static_cast<unsigned char>(v >> 16);
        p[2] = static_cast<unsigned char>(v >> 8);
        p[3] = static_cast<unsigned char>(v);
    }
    void put_be32(std::uint32_t v)
    {
        record_.resize(record_.size() + 4);
        store_be32(&record_[record_.size() - 4], v);
    }

    std::span<const Source *const> sources_;
    Sink &out_;
    const MergeOptions &options_;
    std::ostream &err_;
    std::vector<std::unique_ptr<Input>> inputs_;
    Names names_;
    DataImage merged_, incoming_;
    std::vector<unsigned char> scratch_, record_;
    std::uint64_t written_ = 0;
    std::uint32_t count_ = 0;
    Gcc4Summary run_;
    std::uint32_t checksum_ = 0;
    bool have_checksum_ = false;
    std::vector<Gcc4Record> gcc4_records_;
};

} // namespace

void merge_dumps(std::span<const Source *const> inputs, Sink &out, const MergeOptions &options,
                 std::ostream &err)
{
    Merger(inputs, out, options, err).run();
}

} // namespace covtool
