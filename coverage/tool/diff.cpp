// covtool diff: the functions one run reached and another did not.
#include <unordered_map>
#include <vector>

#include "bad_input.hpp"
#include "commands.hpp"
#include "dump_reader.hpp"
#include "image.hpp"
#include "json.hpp"

namespace covtool
{
namespace
{

constexpr const char *kOnlyInA = "  reached only in A: function ";
constexpr const char *kOnlyInB = "  reached only in B: function ";

struct Reach {
    std::uint32_t ident;
    bool reached; // some arc counter is not zero
};

struct ObjectReach {
    std::string name;
    std::vector<Reach> functions;
};

// Objects by name and, for repeated names, by their turn.
using Key = std::pair<std::string, unsigned>;
struct KeyHash {
    std::size_t operator()(const Key &k) const
    {
        return std::hash<std::string>()(k.first) ^ (std::size_t{k.second} * 0x9E3779B97F4A7C15U);
    }
};

std::vector<ObjectReach> read_reach(const Source &dump)
{
    return naming_file(dump.name(), [&] {
        std::vector<ObjectReach> objects;
        DumpReader reader(dump);
        const std::vector<RecordRef> records = index(reader);
        DataImage image;
        std::vector<unsigned char> scratch;
        for (const RecordRef &r : records) {
            parse_image(reader.image(r, scratch), r.image_offset, image);
            ObjectReach &o = objects.emplace_back();
            o.name = r.name;
            for (const Function &f : image.functions) {
                if (f.present) {
                    o.functions.push_back({f.ident, arc_stats(image, f).nonzero != 0});
                }
            }
        }
        return objects;
    });
}

std::vector<std::uint32_t> only_in(const ObjectReach &one, const ObjectReach *other)
{
    std::unordered_map<std::uint32_t, bool> there;
    if (other != nullptr) {
        for (const Reach &r : other->functions) {
            there.try_emplace(r.ident, r.reached);
        }
    }
    std::vector<std::uint32_t> idents;
    for (const Reach &r : one.functions) {
        const auto it = there.find(r.ident);
        if (r.reached && (it == there.end() || !it->second)) {
            idents.push_back(r.ident);
        }
    }
    return idents;
}

struct Difference {
    std::string name;
    std::vector<std::uint32_t> only_a, only_b;
};

std::vector<Difference> compare(const std::vector<ObjectReach> &a,
                                const std::vector<ObjectReach> &b)
{
    std::unordered_map<Key, const ObjectReach *, KeyHash> in_b;
    std::unordered_map<std::string, unsigned> turns;
    std::vector<Key> b_keys;
    for (const ObjectReach &o : b) {
        Key k{o.name, turns[o.name]++};
        in_b.emplace(k, &o);
        b_keys.push_back(std::move(k));
    }
    turns.clear();
    std::vector<Difference> out;
    for (const ObjectReach &o : a) {
        const Key k{o.name, turns[o.name]++};
        const ObjectReach *other = nullptr;
        if (auto it = in_b.find(k); it != in_b.end()) {
            other = it->second;
            in_b.erase(it);
        }
        Difference d{o.name, only_in(o, other), other ? only_in(*other, &o) : decltype(d.only_b){}};
        if (!d.only_a.empty() || !d.only_b.empty()) {
            out.push_back(std::move(d));
        }
    }
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (in_b.contains(b_keys[i])) {
            Difference d{b[i].name, {}, only_in(b[i], nullptr)};
            if (!d.only_b.empty()) {
                out.push_back(std::move(d));
            }
        }
    }
    return out;
}

void put_idents(std::ostream &out, const std::vector<std::uint32_t> &idents)
{
    out << '[';
    for (std::size_t i = 0; i < idents.size(); ++i) {
        out << (i == 0 ? "" : ",") << idents[i];
    }
    out << ']';
}

} // namespace

int diff_dumps(const Source &a, const Source &b, bool json, std::ostream &out,
               std::ostream & /*err*/)
{
    const std::vector<Difference> differences = compare(read_reach(a), read_reach(b));
    if (json) {
        out << "{\"a\":";
        put_json_string(out, a.name());
        out << ",\"b\":";
        put_json_string(out, b.name());
        out << ",\"objects\":[";
        for (std::size_t i = 0; i < differences.size(); ++i) {
            out << (i == 0 ? "" : ",") << "{\"name\":";
            put_json_string(out, differences[i].name);
            out << ",\"only_in_a\":";
            put_idents(out, differences[i].only_a);
            out << ",\"only_in_b\":";
            put_idents(out, differences[i].only_b);
            out << '}';
        }
        out << "]}\n";
        return 0;
    }
    for (const Difference &d : differences) {
        out << d.name << '\n';
        for (const std::uint32_t ident : d.only_a) {
            out << kOnlyInA << ident << '\n';
        }
        for (const std::uint32_t ident : d.only_b) {
            out << kOnlyInB << ident << '\n';
        }
    }
    return 0;
}

} // namespace covtool
