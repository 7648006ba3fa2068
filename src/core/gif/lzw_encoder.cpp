#include "core/gif/lzw_encoder.h"

#include <algorithm>
#include <array>
#include <memory>
#include <type_traits>
#include <utility>

namespace pictoreel {

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kLastCode = (1 << kMaxCodeBits) - 1;

// Codes of the strings seen so far, keyed by (prefix code, next index). A slot holds its key and
// code in one word, so a look-up reads one place; emptying the table empties only the slots used.
class StringTable {
public:
    StringTable() { slots_.fill(kEmpty); }

    void clear()
    {
        for (int i = 0; i < used_; ++i)
            slots_[usedSlots_[std::size_t(i)]] = kEmpty;
        used_ = 0;
    }

    // The code of `key`, or -1; `slot` is where it would go.
    int find(std::uint32_t key, std::uint32_t& slot) const
    {
        slot = (key * 2654435761u) >> (32 - kBits);
        for (;;) {
            const std::uint32_t entry = slots_[slot];
            if (entry == kEmpty)
                return -1;
            if (entry >> kMaxCodeBits == key)
                return static_cast<int>(entry & kLastCode);
            slot = (slot + 1) & (kSize - 1);
        }
    }

    void add(std::uint32_t slot, std::uint32_t key, int code)
    {
        slots_[slot] = key << kMaxCodeBits | std::uint32_t(code);
        usedSlots_[std::size_t(used_++)] = static_cast<std::uint16_t>(slot);
    }

private:
    // 4096 codes at most, an eighth full: a new string is mostly told by the first slot it
    // hashes to, where a fuller table sends many on to the next ones (measured: LZW 20 % faster
    // on photos than at half full, with 128 KB still in the processor's second-level cache).
    static constexpr int kBits = 15;
    static constexpr std::uint32_t kSize = 1u << kBits;
    // Would be code 4095 for a string that goes on from code 4095: no code is its own prefix.
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    std::array<std::uint32_t, kSize> slots_;
    std::array<std::uint16_t, kLastCode + 1> usedSlots_;
    int used_ = 0;
};

// Packs codes least significant bit first into data sub-blocks.
class CodeWriter {
public:
    explicit CodeWriter(std::size_t expectedCodes) { out_.reserve(qsizetype(expectedCodes * 3 / 2 + 16)); }

    void put(int code, int bits)
    {
        buffer_ |= std::uint64_t(code) << filled_;
        filled_ += bits;
        while (filled_ >= 8) {
            putByte(static_cast<std::uint8_t>(buffer_));
            buffer_ >>= 8;
            filled_ -= 8;
        }
    }

    bool full() const { return false; }

    QByteArray finish()
    {
        if (filled_ > 0)
            putByte(static_cast<std::uint8_t>(buffer_));
        flushBlock();
        out_.append('\0');
        return std::move(out_);
    }

private:
    void putByte(std::uint8_t byte)
    {
        block_[blockLength_++] = byte;
        if (blockLength_ == 255)
            flushBlock();
    }

    void flushBlock()
    {
        if (blockLength_ == 0)
            return;
        out_.append(char(blockLength_));
        out_.append(reinterpret_cast<const char*>(block_.data()), blockLength_);
        blockLength_ = 0;
    }

    QByteArray out_;
    std::uint64_t buffer_ = 0;
    int filled_ = 0;
    std::array<std::uint8_t, 255> block_{};
    int blockLength_ = 0;
};

// Counts the bits the codes would take, stopping once past `limit`.
class BitCounter {
public:
    explicit BitCounter(std::size_t limit) : limit_(limit) {}
    void put(int, int bits) { bits_ += std::size_t(bits); }
    bool full() const { return bits_ > limit_; }
    std::size_t bits() const { return bits_; }

private:
    std::size_t limit_;
    std::size_t bits_ = 0;
};

// Takes the codes and keeps nothing: for choosing indices without coding them.
struct NoOutput {
    void put(int, int) {}
    bool full() const { return false; }
};

// No pixel is ever coded as another.
struct Exact {
    int operator()(std::size_t, int, const StringTable&) const { return -1; }
};
// The same, for pictures mostly of runs of one index: a run's longest string in the table is
// found at once (for others, checking for a run costs more than it saves).
struct ExactRuns : Exact {};
template <class Substitute>
constexpr bool kExact = std::is_same_v<Substitute, Exact> || std::is_same_v<Substitute, ExactRuns>;

// A string table with the code width the decoder reads at, as both stand after the codes so far.
class CodeTable {
public:
    void start(int minCodeSize)
    {
        strings_.clear();
        codeBits_ = minCodeSize + 1;
        lastAssigned_ = (1 << minCodeSize) + 1;
        for (int index = 0; index < (1 << minCodeSize); ++index)
            runs_[std::size_t(index)].assign(1, static_cast<std::uint16_t>(index));
    }

    int codeBits() const { return codeBits_; }
    bool full() const { return lastAssigned_ == kLastCode; }

    // Codes the longest string in the table that starts at `at`: hands its code to `out` and,
    // unless the table is full, adds the string followed by the index after it. Returns where the
    // string ends. Where the string followed by pixel i is not in the table,
    // `substitute(i, current, strings)` may return the code of the string followed by another
    // index (having put that index in the pixel's place), or -1.
    template <class Out, class Substitute>
    [[gnu::always_inline]] std::size_t codeString(const std::uint8_t* indices, std::size_t at, std::size_t count, std::uint8_t mask,
                           Out& out, Substitute& substitute)
    {
        int current = indices[at] & mask;
        std::uint32_t key = 0;
        std::uint32_t slot = 0;
        std::size_t i = at + 1;
        if constexpr (std::is_same_v<Substitute, ExactRuns>) {
            // A run of one index takes its run string from the table at once, instead of one
            // look-up a pixel: flat areas and the transparent ones of later frames are long runs.
            if (const std::vector<std::uint16_t>& runs = runs_[std::size_t(current)];
                runs.size() > 1 && i < count && (indices[i] & mask) == current) {
                const std::size_t stop = std::min(count, at + runs.size());
                while (i < stop && (indices[i] & mask) == current)
                    ++i;
                current = runs[i - at - 1];
            }
        }
        for (; i < count; ++i) {
            key = (std::uint32_t(current) << 8) | (indices[i] & mask);
            if (const int code = strings_.find(key, slot); code >= 0) {
                current = code;
                continue;
            }
            if (const int code = substitute(i, current, std::as_const(strings_)); code >= 0) {
                current = code;
                continue;
            }
            break;
        }
        out.put(current, codeBits_);
        // The decoder adds its entry one code later, and widens its codes once its table holds
        // 2^bits entries: widening right after assigning code 2^bits keeps both in step.
        if (i < count && !full()) {
            strings_.add(slot, key, ++lastAssigned_);
            // The longest run of an index, one longer.
            if constexpr (std::is_same_v<Substitute, ExactRuns>)
                if (std::vector<std::uint16_t>& runs = runs_[indices[i] & mask]; runs.back() == current)
                    runs.push_back(static_cast<std::uint16_t>(lastAssigned_));
            if (lastAssigned_ >= (1 << codeBits_) && codeBits_ < kMaxCodeBits)
                ++codeBits_;
        }
        return i;
    }

private:
    StringTable strings_;
    int codeBits_ = 3;
    int lastAssigned_ = 0;
    // For each index, the codes of its runs in the table: of one, two, three ... pixels.
    std::array<std::vector<std::uint16_t>, 256> runs_;
};

// Emptying a full table is worth it when the next kFreshTableTrial pixels take no more than
// kFreshTableAllowance hundredths of the bits the full table would: a fresh table is at its worst
// in its first codes, and goes on to fit the pixels after them better.
constexpr std::size_t kFreshTableTrial = 2048;
constexpr std::size_t kFreshTableAllowance = 110;

// Codes kept back while two ways of going on are compared: each with its width in the top bits.
// The fresh way codes at least kFreshTableTrial pixels, in as many codes at most and a clear code,
// but its last string may reach past them: a fresh table's string is at most one pixel longer
// than the codes before it, so the way tried covers fewer than twice kFreshTableTrial pixels. The
// kept way codes those same pixels, one a code at worst (a full table of other strings).
class HeldCodes {
public:
    void clear()
    {
        size_ = 0;
        bits_ = 0;
    }

    void put(int code, int bits)
    {
        codes_[size_++] = static_cast<std::uint16_t>(code | bits << kMaxCodeBits);
        bits_ += std::size_t(bits);
    }

    std::size_t bits() const { return bits_; }

    template <class Out>
    void passOn(Out& out) const
    {
        for (std::size_t i = 0; i < size_; ++i) {
            out.put(codes_[i] & kLastCode, codes_[i] >> kMaxCodeBits);
            if (out.full())
                return;
        }
    }

private:
    std::array<std::uint16_t, 2 * kFreshTableTrial + 2> codes_;
    std::size_t size_ = 0;
    std::size_t bits_ = 0;
};

struct Workspace {
    CodeTable tables[2];
    HeldCodes fresh;
    HeldCodes kept;
};

// The one LZW coder: `out` receives every code with its width (CodeWriter packs them, BitCounter
// counts them). Returns early once `out.full()`. `substitute` is as for CodeTable::codeString;
// a coder that substitutes empties its table as soon as it fills.
//
// Otherwise a full table is not emptied at once: the pixels ahead are coded both with it and with
// a fresh table (kFreshTableTrial of them, or fewer if the fresh one fills), and the shorter way
// is kept; the codes of the way kept are passed on, so no pixel is coded a third time.
// Decoders keep using a full table until the next clear code, as the format allows.
template <class Out, class Substitute = Exact>
void encode(const std::uint8_t* indices, std::size_t count, int minCodeSize, Out& out, Substitute substitute = {})
{
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    const std::uint8_t mask = static_cast<std::uint8_t>(clearCode - 1);
    thread_local std::unique_ptr<Workspace> workspace = std::make_unique<Workspace>();
    CodeTable* table = &workspace->tables[0];
    CodeTable* fresh = &workspace->tables[1];

    table->start(minCodeSize);
    out.put(clearCode, table->codeBits());
    std::size_t at = 0;
    while (at < count && !out.full()) {
        if (!table->full()) {
            at = table->codeString(indices, at, count, mask, out, substitute);
            continue;
        }
        if constexpr (!kExact<Substitute>) {
            out.put(clearCode, kMaxCodeBits);
            table->start(minCodeSize);
            continue;
        }
        HeldCodes& freshCodes = workspace->fresh;
        HeldCodes& keptCodes = workspace->kept;
        freshCodes.clear();
        keptCodes.clear();
        freshCodes.put(clearCode, kMaxCodeBits);
        fresh->start(minCodeSize);
        std::size_t freshEnd = at;
        const std::size_t trialEnd = std::min(count, at + kFreshTableTrial);
        while (freshEnd < trialEnd && !fresh->full())
            freshEnd = fresh->codeString(indices, freshEnd, count, mask, freshCodes, substitute);
        std::size_t keptEnd = at;
        while (keptEnd < freshEnd)
            keptEnd = table->codeString(indices, keptEnd, count, mask, keptCodes, substitute);
        if (freshCodes.bits() * 100 <= keptCodes.bits() * kFreshTableAllowance) {
            freshCodes.passOn(out);
            std::swap(table, fresh);
            at = freshEnd;
        } else {
            keptCodes.passOn(out);
            at = keptEnd;
        }
    }
    if (!out.full())
        out.put(endCode, table->codeBits());
}

// Most pixels the same as the one before them.
bool mostlyRuns(const std::uint8_t* indices, std::size_t count, int minCodeSize)
{
    const std::uint8_t mask = static_cast<std::uint8_t>((1 << minCodeSize) - 1);
    std::size_t repeats = 0;
    for (std::size_t i = 1; i < count; ++i)
        repeats += ((indices[i] ^ indices[i - 1]) & mask) == 0;
    return repeats * 2 > count;
}

template <class Out>
void encodeExactly(const std::uint8_t* indices, std::size_t count, int minCodeSize, Out& out)
{
    if (mostlyRuns(indices, count, minCodeSize))
        encode(indices, count, minCodeSize, out, ExactRuns{});
    else
        encode(indices, count, minCodeSize, out, Exact{});
}

}  // namespace

int smallestMinCodeSize(const std::uint8_t* indices, std::size_t count)
{
    const std::uint8_t highest = count == 0 ? 0 : *std::max_element(indices, indices + count);
    int bits = 2;
    while ((1 << bits) <= highest)
        ++bits;
    return bits;
}

QByteArray compressGifPixels(const std::uint8_t* indices, std::size_t count, int minCodeSize)
{
    CodeWriter out(count / 2);
    encodeExactly(indices, count, minCodeSize, out);
    return out.finish();
}

std::size_t gifCodedBits(const std::uint8_t* indices, std::size_t count, int minCodeSize, std::size_t limit)
{
    BitCounter counter(limit);
    encodeExactly(indices, count, minCodeSize, counter);
    return counter.bits();
}

void loosenGifIndices(std::uint8_t* indices, std::size_t count, int minCodeSize, const IndexNeighbours& neighbours,
                      const float* tolerance)
{
    const std::uint8_t mask = static_cast<std::uint8_t>((1 << minCodeSize) - 1);
    // The nearest neighbour that continues the string: the longest strings come from letting
    // every pixel go on when it can, and the nearest keeps the error smallest.
    auto substitute = [&](std::size_t i, int current, const StringTable& table) {
        const std::uint8_t exact = indices[i] & mask;
        const float allowed = tolerance[i];
        for (std::uint32_t k = neighbours.offsets[exact]; k < neighbours.offsets[exact + 1u]; ++k) {
            if (neighbours.distance[k] > allowed)
                break;
            std::uint32_t slot = 0;
            const int code = table.find((std::uint32_t(current) << 8) | neighbours.index[k], slot);
            if (code >= 0) {
                indices[i] = neighbours.index[k];
                return code;
            }
        }
        return -1;
    };
    NoOutput out;
    encode(indices, count, minCodeSize, out, substitute);
}

}  // namespace pictoreel
