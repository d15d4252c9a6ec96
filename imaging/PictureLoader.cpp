#include "imaging/PictureLoader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "imaging/BmpDecoder.h"
#include "imaging/IPTCData.h"
#include "imaging/JpegDecoder.h"
#include "imaging/LwfDecoder.h"
#include "imaging/PictureConverter.h"
#include "imaging/PngDecoder.h"
#include "imaging/TargaDecoder.h"
#include "platform/bitmap/DibSection.h"
#include "platform/debug/Debug.h"
#include "platform/files/MappedFile.h"
#include "platform/text/Ascii.h"

namespace {

// Decoders not built into this program give null, which Open reports like an unknown type.
std::unique_ptr<ImageDecoder> CreateDecoder(int type) {
    switch (type) {
        case PictureLoader::kJpeg:
            return std::make_unique<JpegDecoder>();
        case PictureLoader::kPng:
            return std::make_unique<PngDecoder>();
        case PictureLoader::kLwf:
            return std::make_unique<LwfDecoder>();
        case PictureLoader::kBmp:
            return std::make_unique<BmpDecoder>();
        case PictureLoader::kTarga:
            return std::make_unique<TargaDecoder>();
        default:
            return nullptr;
    }
}

const PictureInfo kNoInfo{};

}  // namespace

void PictureLoader::SetTypeFromName(std::string_view name) {
    if (platform::EndsWithNoCase(name, ".png")) {
        type_ = kPng;
    } else if (platform::EndsWithNoCase(name, ".lwf")) {
        type_ = kLwf;
    } else if (platform::EndsWithNoCase(name, ".bmp")) {
        type_ = kBmp;
    } else if (platform::EndsWithNoCase(name, ".tga") || platform::EndsWithNoCase(name, ".targa")) {
        type_ = kTarga;
    } else {
        type_ = kJpeg;
    }
}

bool PictureLoader::Open(std::string_view name, const std::uint8_t* data, std::size_t size) {
    SetTypeFromName(name);
    decoder_.reset();
    decoder_ = CreateDecoder(type_);
    if (!decoder_) {
        platform::DebugOutput("Unsupported image format\n");
        return false;
    }
    if (iptcTarget_ != nullptr) decoder_->SetIPTCTarget(iptcTarget_);
    if (quiet_ && type_ == kJpeg) static_cast<JpegDecoder*>(decoder_.get())->SetQuiet(true);
    decoder_->SetSource(data, size);
    decoder_->SetWantedSize(wantedSize_);
    return decoder_->ReadHead();
}

namespace {

// The bytes every file of the type begins with; empty for a type that has none.
std::string_view SignatureOf(int type) {
    using namespace std::string_view_literals;
    switch (type) {
        case PictureLoader::kPng:
            return "\x89PNG\r\n\x1a\n"sv;
        case PictureLoader::kJpeg:
            return "\xff\xd8\xff"sv;
        case PictureLoader::kBmp:
            return "BM"sv;
        default:
            return {};
    }
}

}  // namespace

PictureLoader::Head PictureLoader::ReadHeadSoFar(std::string_view name, const std::uint8_t* data,
                                                 std::size_t size, Vector2<int>& pictureSize) {
    pictureSize = Vector2<int>(0, 0);
    if (data == nullptr) return Head::kNeedMore;
    PictureLoader loader;
    loader.SetTypeFromName(name);
    const std::string_view signature = SignatureOf(loader.type());
    const std::size_t compared = std::min(size, signature.size());
    if (compared > 0 && std::memcmp(data, signature.data(), compared) != 0) return Head::kWrongType;
    if (size < signature.size()) return Head::kNeedMore;
    loader.SetQuiet(true);
    // A header cut short fails like a damaged one: only a header read whole says anything.
    if (!loader.Open(name, data, size)) return Head::kNeedMore;
    pictureSize = Vector2<int>(loader.GetWidth(), loader.GetHeight());
    return Head::kRead;
}

const PictureInfo& PictureLoader::GetInfo() const {
    return decoder_ ? decoder_->GetInfo() : kNoInfo;
}

bool PictureLoader::ReadImage(std::uint8_t* destination, std::ptrdiff_t pitch,
                              const PictureConverter* converter) {
    return decoder_ && decoder_->ReadImage(destination, pitch, converter);
}

void PictureLoader::GetSize(Vector2<int>& size) {
    if (decoder_) {
        decoder_->GetSize(size);
    } else {
        size = Vector2<int>(0, 0);
    }
}

bool PictureLoader::ReadLine(std::uint8_t* destination) {
    return decoder_ && decoder_->ReadLine(destination);
}

bool PictureLoader::ReadConvertedLine(std::uint8_t* const* pieces, int pieceWidth,
                                      const PictureConverter& converter) {
    return decoder_ && decoder_->ReadConvertedLine(pieces, pieceWidth, converter);
}

bool PictureLoader::IsProgressive() {
    return decoder_ && decoder_->IsProgressive();
}

bool PictureLoader::Restart(std::size_t dataSize, int second) {
    return decoder_ && decoder_->Restart(dataSize, second);
}

void PictureLoader::SetSource(const std::uint8_t* data, std::size_t size) {
    if (decoder_) decoder_->SetSource(data, size);
}

bool MapPictureFile(const std::string& fileName, platform::MappedFile& file) {
    switch (file.Open(fileName)) {
        case platform::MappedFile::Status::Ok:
            return true;
        case platform::MappedFile::Status::OpenFailed:
            return false;
        case platform::MappedFile::Status::MappingFailed:
            platform::DebugOutput("Failed to create file mapping\n");
            return false;
        case platform::MappedFile::Status::MapFailed:
            platform::DebugOutput("Failed to map file\n");
            return false;
    }
    return false;
}

namespace {

std::unique_ptr<platform::DibSection> LoadDib(const std::string& fileName, PictureInfo* info,
                                              Vector2<int>* size, IPTCData* iptc) {
    // The record is this file's alone: one filled for another picture must not show through
    // (the reader appends keywords, and a file without a record would keep the old one).
    if (iptc != nullptr) *iptc = IPTCData{};
    platform::MappedFile file;
    if (!MapPictureFile(fileName, file)) return nullptr;

    PictureLoader loader;
    if (size != nullptr) loader.SetWantedSize(*size);
    loader.SetIPTCTarget(iptc);
    if (!loader.Open(fileName, file.data(), file.size())) return nullptr;

    const PictureInfo& picture = loader.GetInfo();
    if (picture.width <= 0 || picture.height <= 0) {
        platform::DebugOutput("Failed to get valid size from the source image\n");
        return nullptr;
    }
    // The decoder's rows must fit the bitmap's; a description that says otherwise would
    // make the copy below write past the rows.
    const std::size_t natural =
        platform::DibSection::MinimumStride(picture.width, picture.bitsPerPixel);
    const std::size_t pitch =
        (static_cast<std::size_t>(std::max(picture.rowBytes, 0)) + 3) & ~std::size_t{3};
    auto dib = platform::DibSection::Create(picture.width, -picture.height, picture.bitsPerPixel,
                                            std::max(pitch, natural));
    if (!dib) {
        platform::DebugOutput("Failed to Create DIBSection\n");
        return nullptr;
    }
    if (!picture.palette.empty()) {
        // Palettes are red-green-blue; a bitmap's colour table is blue-green-red.
        for (std::size_t i = 0; i < dib->colours().size() && i < picture.palette.size(); ++i) {
            dib->colours()[i] = SwapRedBlue(picture.palette[i]);
        }
    }

    const auto stride = static_cast<std::ptrdiff_t>(dib->stride());
    if (picture.bitsPerPixel > 8) {
        PictureConverter converter;
        converter.SetPictureFormat(picture);
        loader.ReadImage(dib->bits(), stride, &converter);
    } else {
        loader.ReadImage(dib->bits(), stride, nullptr);
    }
    // Whatever the decoder managed is shown: a cut-short file still gives its first rows.

    if (info != nullptr) *info = loader.GetInfo();
    if (size != nullptr) loader.GetSize(*size);
    return dib;
}

}  // namespace

std::unique_ptr<platform::DibSection> LoadPictureAsDIB(const std::string& fileName,
                                                       PictureInfo* info, Vector2<int>* size,
                                                       IPTCData* iptc) {
    // A picture larger than the machine can hold is a failed load, not the end of the
    // program: no allocation failure leaves here.
    try {
        return LoadDib(fileName, info, size, iptc);
    } catch (const std::bad_alloc&) {
        platform::DebugOutput("Not enough memory to load " + fileName + "\n");
        return nullptr;
    }
}

bool ReadPictureInfo(const std::string& fileName, PictureInfo* info) {
    platform::MappedFile file;
    if (!MapPictureFile(fileName, file)) return false;
    PictureLoader loader;
    if (!loader.Open(fileName, file.data(), file.size())) return false;
    if (info != nullptr) *info = loader.GetInfo();
    return true;
}
