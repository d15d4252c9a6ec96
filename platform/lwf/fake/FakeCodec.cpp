// A codec library of the fake format (FakeFormat.h) for tests of the decoder around it: it
// keeps a journal of the calls it received and fails at a call the test chooses. It asks
// for work buffers of several sizes and writes every byte of them, so that a caller that
// allocates them too small shows under AddressSanitizer.

#include <cstring>
#include <mutex>
#include <string>

#include "platform/lwf/Lwf.h"
#include "platform/lwf/fake/FakeFormat.h"

namespace {

using platform::LwfDecodeParams;
using platform::LwfImageInfo;
using platform::LwfMemoryBlock;
using platform::LwfOutputBlock;
using platform::LwfStatus;

enum : LwfStatus {
    kOk = 0,
    kMissingBlock = 1,
    kNotFake = 2,
    kOrder = 3,
    kBadOutput = 4,
    kBadRows = 5
};

constexpr std::size_t kWorkSizes[4] = {16, 0, 24, 1};
constexpr std::uint32_t kMagic = 0x46574C46u;  // "FLWF"

struct Header {
    std::uint32_t magic;
    std::int32_t width;
    std::int32_t height;
    std::int32_t components;
    std::int32_t factor;
    std::int32_t outWidth;
    std::int32_t outRows;
};

std::mutex journalMutex;
std::string journal;
std::string journalCopy;
int failAt = 0;
int calls = 0;

// Records a call; true when this call is the one to fail.
bool Record(const std::string& entry) {
    std::lock_guard lock(journalMutex);
    if (!journal.empty()) journal += ' ';
    journal += entry;
    return ++calls == failAt;
}

std::string Source(const LwfDecodeParams& params) {
    return (params.data != nullptr ? ":mem:len=" : ":cb:len=") + std::to_string(params.length);
}

Header* HeaderOf(const LwfMemoryBlock& memory) {
    if (memory.header == nullptr || memory.headerSize < sizeof(Header)) return nullptr;
    return static_cast<Header*>(memory.header);
}

std::uint32_t Little32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool ReadFileHeader(const LwfDecodeParams& params, std::uint8_t* out) {
    if (params.length < lwf_fake::kHeaderBytes) return false;
    if (params.data != nullptr) {
        std::memcpy(out, params.data, lwf_fake::kHeaderBytes);
        return true;
    }
    if (params.read == nullptr || params.seek == nullptr) return false;
    params.seek(params.context, 0);
    std::uint32_t total = 0;
    while (total < lwf_fake::kHeaderBytes) {
        const std::uint32_t got =
            params.read(params.context, out + total, lwf_fake::kHeaderBytes - total);
        if (got == 0) return false;
        total += got;
    }
    return true;
}

}  // namespace

extern "C" {

void LwfFakeReset(int failAtCall) {
    std::lock_guard lock(journalMutex);
    journal.clear();
    calls = 0;
    failAt = failAtCall;
}

const char* LwfFakeJournal() {
    std::lock_guard lock(journalMutex);
    journalCopy = journal;
    return journalCopy.c_str();
}

LwfStatus LwfGetDecoHeaderMemoryRequirements(LwfMemoryBlock* memory) {
    if (Record("3")) return lwf_fake::kAskedFailure;
    if (memory == nullptr) return kMissingBlock;
    memory->headerSize = sizeof(Header);
    return kOk;
}

LwfStatus LwfGetImageInfo(LwfImageInfo* info, LwfDecodeParams* params, LwfMemoryBlock* memory) {
    if (params == nullptr) return kMissingBlock;
    if (Record("4" + Source(*params))) return lwf_fake::kAskedFailure;
    if (info == nullptr || memory == nullptr) return kMissingBlock;
    Header* header = HeaderOf(*memory);
    std::uint8_t bytes[lwf_fake::kHeaderBytes];
    if (header == nullptr) return kOrder;
    if (!ReadFileHeader(*params, bytes) || Little32(bytes) != kMagic) return kNotFake;
    *header = Header{};
    header->magic = kMagic;
    header->width = static_cast<std::int32_t>(Little32(bytes + 4));
    header->height = static_cast<std::int32_t>(Little32(bytes + 8));
    info->width = header->width;
    info->height = header->height;
    info->colourSpace = static_cast<std::uint16_t>(bytes[12] | bytes[13] << 8);
    info->progressive = static_cast<std::uint16_t>(bytes[14] | bytes[15] << 8);
    header->components = info->colourSpace == platform::kLwfColour ? 3 : 1;
    info->components = header->components;
    info->bitsPerSample = 8;
    return kOk;
}

LwfStatus LwfDecodeBegin(LwfOutputBlock* output, LwfDecodeParams* params, LwfMemoryBlock* memory) {
    if (output == nullptr || params == nullptr || memory == nullptr) return kMissingBlock;
    if (Record("5:" + std::to_string(output->width) + "x" + std::to_string(output->rows) +
               ":res=" + std::to_string(params->resolution) + Source(*params))) {
        return lwf_fake::kAskedFailure;
    }
    Header* header = HeaderOf(*memory);
    if (header == nullptr || header->magic != kMagic) return kOrder;
    header->factor = 0;
    for (int f : {1, 2, 4, 8}) {
        if (output->width > 0 && header->width / f == output->width &&
            header->height / f == output->rows) {
            header->factor = f;
            break;
        }
    }
    if (header->factor == 0 || output->rowBytes < output->width * header->components) {
        return kBadOutput;
    }
    header->outWidth = output->width;
    header->outRows = output->rows;
    for (int i = 0; i < 4; ++i) memory->workSizes[i] = kWorkSizes[i];
    return kOk;
}

LwfStatus LwfDecodeRows(LwfOutputBlock* output, LwfDecodeParams* params, LwfMemoryBlock* memory) {
    if (output == nullptr || params == nullptr || memory == nullptr) return kMissingBlock;
    if (Record("6:" + std::to_string(params->firstRow) + "-" + std::to_string(params->endRow) +
               ":mode=" + std::to_string(params->rowMode) + Source(*params))) {
        return lwf_fake::kAskedFailure;
    }
    const Header* header = HeaderOf(*memory);
    if (header == nullptr || header->magic != kMagic || header->factor == 0) return kOrder;
    for (int i = 0; i < 4; ++i) {
        if (kWorkSizes[i] == 0) continue;
        if (memory->work[i] == nullptr || memory->workSizes[i] < kWorkSizes[i]) return kOrder;
        std::memset(memory->work[i], 0xA5, kWorkSizes[i]);
    }
    if (output->width != header->outWidth || output->rows != header->outRows ||
        output->rowBuffer == nullptr) {
        return kBadOutput;
    }
    if (params->firstRow < 0 || params->firstRow >= params->endRow ||
        params->endRow > header->outRows) {
        return kBadRows;
    }
    const int f = header->factor;
    for (int r = params->firstRow; r < params->endRow; ++r) {
        std::uint8_t* row = output->rowBuffer +
                            static_cast<std::ptrdiff_t>(r - params->firstRow) * output->rowBytes;
        for (int x = 0; x < header->outWidth; ++x) {
            for (int c = 0; c < header->components; ++c) {
                row[x * header->components + c] = lwf_fake::Sample(x * f, r * f, c);
            }
        }
    }
    return kOk;
}

const char* LwfGetErrorText(LwfStatus status) {
    switch (status) {
        case kOk:
            return "No error";
        case kMissingBlock:
            return "Fake codec: a block is missing";
        case kNotFake:
            return "Fake codec: not a fake picture";
        case kOrder:
            return "Fake codec: calls out of order";
        case kBadOutput:
            return "Fake codec: the output block does not fit";
        case kBadRows:
            return "Fake codec: rows out of range";
        case lwf_fake::kAskedFailure:
            return "Fake codec: failure asked for by the test";
        default:
            return "Fake codec: unknown status";
    }
}

}  // extern "C"
