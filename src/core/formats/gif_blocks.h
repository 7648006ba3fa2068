// The block structure of a GIF, walked over its bytes without decompressing anything: the
// logical screen descriptor and global colour table, then extensions, image descriptors (with
// their local colour tables and LZW data sub-blocks) and the trailer. Every read is bounded by
// the bytes given; a block cut short is reported as such and ends the walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pictoreel::gif {

inline constexpr int kGraphicControlLabel = 0xF9;
inline constexpr int kCommentLabel = 0xFE;
inline constexpr std::uint8_t kTrailerByte = 0x3B;  // ends every GIF

// The logical screen descriptor.
struct Screen {
    int width = 0;
    int height = 0;
    int backgroundIndex = 0;
    std::size_t globalTableAt = 13;  // where the global colour table starts
    int globalTableEntries = 0;      // 0 when the file has none
};

enum class BlockKind { Extension, Image, Trailer };

struct Block {
    BlockKind kind = BlockKind::Trailer;
    std::size_t at = 0;  // offset of the introducer
    // Extension: its label.
    int label = 0;
    // Image: the descriptor, and the local colour table when it has one.
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    std::size_t localTableAt = 0;
    int localTableEntries = 0;  // 0 when the image has none
    int minCodeSize = 0;
    // The data sub-blocks (an extension's after its label, an image's after its LZW code size)
    // and the offset after their zero-length terminator.
    std::size_t dataAt = 0;
    std::size_t end = 0;
    // False when the data ends inside the block: only the fields read before that point are set
    // (an image always has its descriptor), and the walk ends with it.
    bool complete = true;
};

class BlockWalker {
public:
    // The signature is not checked here (see hasGifSignature).
    BlockWalker(const std::uint8_t* data, std::size_t size);

    // The screen descriptor is all there (13 bytes with the header).
    bool hasScreen() const { return size_ >= 13; }
    const Screen& screen() const { return screen_; }

    // The next block. nullopt after the trailer, after a block cut short, where the data ends or
    // holds something that is no block, and from the start when the screen descriptor or the
    // global colour table is cut short.
    std::optional<Block> next();

private:
    bool has(std::size_t at, std::size_t count) const { return at <= size_ && count <= size_ - at; }
    unsigned byte(std::size_t at) const { return data_[at]; }
    unsigned word(std::size_t at) const { return data_[at] | (data_[at + 1] << 8); }
    // Passes over data sub-blocks from `at`; the offset after the terminator, or nullopt when
    // the data ends first.
    std::optional<std::size_t> skipSubBlocks(std::size_t at) const;

    const std::uint8_t* data_;
    std::size_t size_;
    Screen screen_;
    std::size_t at_ = 0;
    bool ended_ = false;
};

// The bytes of a complete block's data sub-blocks joined, or nullopt when they are more than
// `limit` (the block's own bytes are passed over, never copied beyond that).
std::optional<std::string> joinedSubBlocks(const std::uint8_t* data, const Block& block, std::size_t limit);

// Whether a comment extension holding exactly `text` comes before the first image.
bool hasCommentBeforeImages(const std::uint8_t* data, std::size_t size, std::string_view text);

// "GIF87a", "GIF89a" or any other "GIF8" version.
bool hasGifSignature(const std::uint8_t* data, std::size_t size);

}  // namespace pictoreel::gif
