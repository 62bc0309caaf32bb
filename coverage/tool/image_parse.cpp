// Decoding of the two data-image layouts. Every tag and length is checked
// against the bytes that remain in the image before it is used.
#include <string>

#include "bad_input.hpp"
#include "image.hpp"
#include "text.hpp"

namespace covtool
{
namespace
{

class Cursor
{
  public:
    Cursor(std::span<const unsigned char> bytes, std::uint64_t base) : bytes_(bytes), base_(base) {}
    std::size_t left() const
    {
        return bytes_.size() - pos_;
    }
    bool at_end() const
    {
        return pos_ == bytes_.size();
    }
    std::uint64_t offset() const
    {
        return base_ + pos_;
    }
    // Fails at the current position unless `n` bytes remain.
    void need(std::uint64_t n, const char *what) const
    {
        if (n > left()) {
            throw BadInput(offset(), std::string("the data image ends inside ") + what + " (" +
                                         std::to_string(n) + " bytes needed, " +
                                         std::to_string(left()) + " left)");
        }
    }
    std::uint32_t peek() const
    {
        return load_le32(bytes_.data() + pos_);
    }
    std::uint32_t word()
    {
        const std::uint32_t v = load_le32(bytes_.data() + pos_);
        pos_ += 4;
        return v;
    }
    void counters(std::vector<std::int64_t> &out, std::uint32_t n)
    {
        const std::size_t first = out.size();
        out.resize(first + n);
        load_counters(bytes_.data() + pos_, std::span<std::int64_t>(out).subspan(first));
        pos_ += std::size_t{n} * 8;
    }
    void skip(std::size_t n)
    {
        pos_ += n;
    }

  private:
    std::span<const unsigned char> bytes_;
    std::uint64_t base_;
    std::size_t pos_ = 0;
};

bool is_counter_tag(std::uint32_t tag)
{
    return tag >= kTagCounterBase && ((tag - kTagCounterBase) & 0x1FFFFU) == 0 &&
           (tag >> 24) == 0x01;
}

std::string function_text(const DataImage &image)
{
    return "function " + std::to_string(image.functions.size());
}

// Opens a counter block for the last function, checking where it stands.
Block &open_block(DataImage &image, std::uint32_t tag, std::uint64_t at)
{
    if (image.functions.empty() || !image.functions.back().present) {
        throw BadInput(at, "counter tag " + hex32(tag) + " outside a function record");
    }
    const unsigned kind = (tag - kTagCounterBase) >> 17;
    Function &f = image.functions.back();
    if (kind >= kind_count(image.family)) {
        throw BadInput(at, "counter kind " + std::to_string(kind) + " is not one of the " +
                               std::string(family_name(image.family)) + " layout");
    }
    if (f.blocks != 0 && image.blocks.back().kind >= kind) {
        throw BadInput(at, "counter kind " + std::to_string(kind) + " of " + function_text(image) +
                               " out of order");
    }
    ++f.blocks;
    Block &b = image.blocks.emplace_back();
    b.kind = kind;
    b.first = static_cast<std::uint32_t>(image.values.size());
    return b;
}

Function &open_function(DataImage &image)
{
    Function &f = image.functions.emplace_back();
    f.first_block = static_cast<std::uint32_t>(image.blocks.size());
    return f;
}

void parse_gcc4_summaries(Cursor &in, DataImage &image)
{
    constexpr std::uint32_t kSummaryWords = 9;
    for (const std::uint32_t tag : {kTagObjectSummary, kTagProgramSummary}) {
        in.need(8, "a summary header");
        const std::uint64_t at = in.offset();
        const std::uint32_t found = in.word();
        const std::uint32_t length = in.word();
        if (found != tag || length != kSummaryWords) {
            throw BadInput(at, "expected summary tag " + hex32(tag) + " of length 9, found " +
                                   hex32(found) + " of length " + std::to_string(length));
        }
        in.need(4 * kSummaryWords, "a summary");
        const std::uint32_t checksum = in.word();
        in.skip(4); // num
        const std::uint32_t runs = in.word();
        in.skip(6 * 4);
        if (tag == kTagObjectSummary) {
            image.object_runs = runs;
        } else {
            image.program_checksum = checksum;
        }
    }
    if (!in.at_end()) {
        throw BadInput(in.offset(), std::to_string(in.left()) + " bytes after the summaries");
    }
}

// GCC 4 series: function records with counter blocks whose lengths count
// words, then the object summary and the program summary.
void parse_gcc4(Cursor &in, DataImage &image)
{
    for (;;) {
        in.need(8, "a record header");
        if (in.peek() == kTagObjectSummary) {
            break;
        }
        const std::uint64_t at = in.offset();
        const std::uint32_t tag = in.word();
        const std::uint32_t length = in.word();
        if (tag == kTagFunction) {
            if (length != 2) {
                throw BadInput(at, "function record of length " + std::to_string(length) +
                                       " words, expected 2");
            }
            in.need(8, "a function record");
            Function &f = open_function(image);
            f.ident = in.word();
            f.checksum = in.word();
        } else if (is_counter_tag(tag)) {
            Block &b = open_block(image, tag, at);
            if (length % 2 != 0) {
                throw BadInput(at, "counter block of odd length " + std::to_string(length));
            }
            in.need(std::uint64_t{length} * 4, "a counter block");
            b.count = length / 2;
            in.counters(image.values, b.count);
        } else {
            throw BadInput(at, "unexpected tag " + hex32(tag));
        }
    }
    parse_gcc4_summaries(in, image);
}

// A topn block: per counter its total, the number of tracked values, then
// that many value and count pairs.
void check_topn(const DataImage &image, const Block &b, std::uint64_t at)
{
    const auto v = image.values_of(b);
    std::size_t i = 0;
    while (i < v.size()) {
        const std::size_t rest = v.size() - i;
        if (rest < 2 || v[i + 1] < 0 || static_cast<std::uint64_t>(v[i + 1]) > (rest - 2) / 2) {
            throw BadInput(at, "topn counter at value " + std::to_string(i) + " of " +
                                   function_text(image) + " does not fit its block");
        }
        i += 2 + 2 * static_cast<std::size_t>(v[i + 1]);
    }
}

// GCC 12: the object's checksum and summary first, function records and
// counter blocks with lengths in bytes (negative: all zero, not stored),
// then a zero tag.
void parse_gcc12(Cursor &in, DataImage &image)
{
    in.need(12, "its checksum and summary header");
    image.checksum = in.word();
    const std::uint64_t summary_at = in.offset();
    const std::uint32_t tag = in.word();
    const std::uint32_t length = in.word();
    if (tag != kTagObjectSummary || length != 8) {
        throw BadInput(summary_at, "expected the object summary of length 8, found tag " +
                                       hex32(tag) + " of length " + std::to_string(length));
    }
    in.need(8, "the object summary");
    image.runs = in.word();
    image.sum_max = in.word();
    for (;;) {
        in.need(4, "a record tag");
        const std::uint64_t at = in.offset();
        const std::uint32_t tag_here = in.word();
        if (tag_here == kTagEnd) {
            if (!in.at_end()) {
                throw BadInput(in.offset(),
                               std::to_string(in.left()) + " bytes after the end marker");
            }
            return;
        }
        in.need(4, "a record length");
        const auto signed_length = static_cast<std::int32_t>(in.word());
        if (tag_here == kTagFunction) {
            Function &f = open_function(image);
            if (signed_length == 0) {
                f.present = false;
                continue;
            }
            if (signed_length != 12) {
                throw BadInput(at, "function record of length " + std::to_string(signed_length) +
                                       " bytes, expected 12 or 0");
            }
            in.need(12, "a function record");
            f.ident = in.word();
            f.checksum = in.word();
            f.cfg_checksum = in.word();
        } else if (is_counter_tag(tag_here)) {
            Block &b = open_block(image, tag_here, at);
            const bool compressed = signed_length < 0;
            const std::uint32_t bytes = compressed ? 0U - static_cast<std::uint32_t>(signed_length)
                                                   : static_cast<std::uint32_t>(signed_length);
            if (bytes % 8 != 0 || (compressed && is_topn(image.family, b.kind))) {
                throw BadInput(at, "counter block of length " + std::to_string(signed_length));
            }
            b.count = bytes / 8;
            b.zero = compressed;
            if (!compressed) {
                in.need(bytes, "a counter block");
                in.counters(image.values, b.count);
                if (is_topn(image.family, b.kind)) {
                    check_topn(image, b, at);
                }
            }
        } else {
            throw BadInput(at, "unexpected tag " + hex32(tag_here));
        }
    }
}

void clear(DataImage &image)
{
    image.checksum = image.object_runs = image.program_checksum = 0;
    image.runs = image.sum_max = 0;
    image.functions.clear();
    image.blocks.clear();
    image.values.clear();
}

} // namespace

void parse_image(std::span<const unsigned char> bytes, std::uint64_t offset, DataImage &out)
{
    clear(out);
    Cursor in(bytes, offset);
    in.need(12, "its magic, version and stamp");
    const std::uint32_t magic = in.word();
    if (magic != kMagic) {
        throw BadInput(offset, "data image magic " + hex32(magic) + " is not " + hex32(kMagic));
    }
    out.version = in.word();
    const auto family = family_of(out.version);
    if (!family) {
        throw BadInput(offset + 4, "data image version " + hex32(out.version) + " ('" +
                                       version_text(out.version) +
                                       "') is neither the GCC 4 series nor GCC 12");
    }
    out.family = *family;
    out.stamp = in.word();
    if (out.family == Family::gcc4) {
        parse_gcc4(in, out);
    } else {
        parse_gcc12(in, out);
    }
}

bool DataImage::has_arcs() const
{
    if (object_runs != 0) {
        return true;
    }
    for (const Block &b : blocks) {
        if (b.kind == 0) {
            return true;
        }
    }
    return false;
}

ArcStats arc_stats(const DataImage &image, const Function &f)
{
    ArcStats s;
    for (const Block &b : image.blocks_of(f)) {
        if (b.kind != 0) {
            continue;
        }
        s.total += b.count;
        for (const std::int64_t v : image.values_of(b)) {
            s.nonzero += v != 0 ? 1 : 0;
            s.sum += static_cast<std::uint64_t>(v);
            s.max = v > s.max ? v : s.max;
        }
    }
    return s;
}

ArcStats arc_stats(const DataImage &image)
{
    ArcStats all;
    for (const Function &f : image.functions) {
        const ArcStats s = arc_stats(image, f);
        all.total += s.total;
        all.nonzero += s.nonzero;
        all.sum += s.sum;
        all.max = s.max > all.max ? s.max : all.max;
    }
    return all;
}

} // namespace covtool
