#include "core/formats/gif_blocks.h"

#include <cstring>

namespace pictoreel::gif {

namespace {

constexpr unsigned kExtensionIntroducer = 0x21;
constexpr unsigned kImageSeparator = 0x2C;
constexpr unsigned kTrailer = 0x3B;
constexpr unsigned kColourTableFlag = 0x80;
constexpr unsigned kInterlaceFlag = 0x40;

int tableEntries(unsigned flags) { return (flags & kColourTableFlag) ? 2 << (flags & 7) : 0; }

}  // namespace

bool hasGifSignature(const std::uint8_t* data, std::size_t size)
{
    return data != nullptr && size >= 4 && std::memcmp(data, "GIF8", 4) == 0;
}

BlockWalker::BlockWalker(const std::uint8_t* data, std::size_t size) : data_(data), size_(data ? size : 0)
{
    if (!hasScreen()) {
        ended_ = true;
        return;
    }
    const unsigned flags = byte(10);
    screen_.width = static_cast<int>(word(6));
    screen_.height = static_cast<int>(word(8));
    screen_.backgroundIndex = static_cast<int>(byte(11));
    screen_.globalTableEntries = tableEntries(flags);
    at_ = screen_.globalTableAt + 3u * static_cast<std::size_t>(screen_.globalTableEntries);
    ended_ = !has(0, at_);
}

std::optional<std::size_t> BlockWalker::skipSubBlocks(std::size_t at) const
{
    while (has(at, 1)) {
        const unsigned length = byte(at);
        if (length == 0)
            return at + 1;
        at += 1 + length;
    }
    return std::nullopt;
}

std::optional<Block> BlockWalker::next()
{
    if (ended_ || !has(at_, 1))
        return std::nullopt;
    Block block;
    block.at = at_;
    const unsigned introducer = byte(at_);
    if (introducer == kExtensionIntroducer) {
        if (!has(at_, 2)) {
            ended_ = true;
            return std::nullopt;
        }
        block.kind = BlockKind::Extension;
        block.label = static_cast<int>(byte(at_ + 1));
        block.dataAt = at_ + 2;
    } else if (introducer == kImageSeparator) {
        if (!has(at_, 10)) {
            ended_ = true;
            return std::nullopt;
        }
        block.kind = BlockKind::Image;
        block.left = static_cast<int>(word(at_ + 1));
        block.top = static_cast<int>(word(at_ + 3));
        block.width = static_cast<int>(word(at_ + 5));
        block.height = static_cast<int>(word(at_ + 7));
        const unsigned flags = byte(at_ + 9);
        block.interlaced = (flags & kInterlaceFlag) != 0;
        block.localTableAt = at_ + 10;
        block.localTableEntries = tableEntries(flags);
        const std::size_t codeSizeAt = block.localTableAt + 3u * static_cast<std::size_t>(block.localTableEntries);
        if (!has(codeSizeAt, 1)) {
            block.complete = false;
            ended_ = true;
            return block;
        }
        block.minCodeSize = static_cast<int>(byte(codeSizeAt));
        block.dataAt = codeSizeAt + 1;
    } else {
        // The trailer, or bytes that are no block: either way the walk ends.
        ended_ = true;
        if (introducer != kTrailer)
            return std::nullopt;
        block.kind = BlockKind::Trailer;
        block.end = at_ + 1;
        return block;
    }
    const std::optional<std::size_t> end = skipSubBlocks(block.dataAt);
    if (!end) {
        block.complete = false;
        ended_ = true;
        return block;
    }
    block.end = *end;
    at_ = *end;
    return block;
}

std::optional<std::string> joinedSubBlocks(const std::uint8_t* data, const Block& block, std::size_t limit)
{
    std::string joined;
    for (std::size_t at = block.dataAt; at + 1 < block.end;) {
        const std::size_t length = data[at];
        if (joined.size() + length > limit)
            return std::nullopt;
        joined.append(reinterpret_cast<const char*>(data + at + 1), length);
        at += 1 + length;
    }
    return joined;
}

bool hasCommentBeforeImages(const std::uint8_t* data, std::size_t size, std::string_view text)
{
    BlockWalker walker(data, size);
    while (const std::optional<Block> block = walker.next()) {
        if (block->kind != BlockKind::Extension)
            return false;
        if (block->complete && block->label == kCommentLabel && joinedSubBlocks(data, *block, text.size()) == text)
            return true;
    }
    return false;
}

}  // namespace pictoreel::gif
