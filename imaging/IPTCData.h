#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The descriptive texts of a photograph, held in a JPEG file as IPTC record 2 datasets in
// the APP13 "Photoshop 3.0" segment, image resource 0x0404. Texts are bytes as they stand
// in the file (no character set is read or written).
class IPTCData {
public:
    // Empties every text and list and marks the record valid.
    void Clear();

    // Writes the record into the file's IPTC block; a record that is not valid is refused.
    bool SaveToJpegFile(const std::string& fileName) const;
    // Writes the record into the file's IPTC block, replacing the old one (or adding the
    // block, or the whole APP13 segment). Datasets this record does not hold are carried
    // over from the old block. The file changes only when the whole write succeeded.
    bool WriteJpegFile(const std::string& fileName) const;

    // Reads the datasets of an APP13 segment's data (the bytes after its length) into the
    // record. Segments of any other kind are left alone.
    void ReadFromApp13(const std::uint8_t* data, std::size_t length);

    // The IPTC block: its padded length (16 bits, big-endian) and the datasets. Datasets of
    // `previous` (an old block's datasets) that the record does not hold are kept. Empty
    // when the datasets do not fit a 16-bit length.
    std::vector<std::uint8_t> BuildDataSets(std::span<const std::uint8_t> previous = {}) const;

    bool valid = false;
    std::string byline;                               // 80
    std::string urgency;                              // 10, one character
    std::string bylineTitle;                          // 85
    std::string credits;                              // 110
    std::string source;                               // 115
    std::string objectName;                           // 5
    std::string dateCreated;                          // 55
    std::string timeCreated;                          // 60
    std::string originProgram;                        // 65
    std::string originProgramVersion;                 // 70
    std::string city;                                 // 90
    std::string state;                                // 95
    std::string country;                              // 101 (102 read too)
    std::string originalTransmissionReference;        // 103
    std::string copyrightNotice;                      // 116
    std::string caption;                              // 120
    std::string captionWriter;                        // 122
    std::string headline;                             // 105
    std::string specialInstructions;                  // 40
    std::string category;                             // 15
    std::vector<std::string> supplementalCategories;  // 20, in file order
    std::vector<std::string> keywords;                // 25, in file order
};

// What reading a JPEG file's IPTC block found.
enum class IptcFileRead {
    Read,        // the record holds the block's texts
    NoBlock,     // the file holds no IPTC block; the record is empty and not valid
    Unreadable,  // see ReadIptcFromJpegFile
};

// Reads the record from the file's APP13 segment alone, without decoding the picture, so
// the texts of a picture no decoder takes (a CMYK one, say) are read all the same.
// Unreadable: the file cannot be read, its segments before the image data are not whole,
// or its IPTC block is damaged or spread over more than one segment. A record written
// into such a file would lose what the block holds, so it must not be edited.
IptcFileRead ReadIptcFromJpegFile(const std::string& fileName, IPTCData& record);
