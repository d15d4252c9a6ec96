#pragma once

#include <string>
#include <vector>

#include "imaging/IPTCData.h"

namespace test_pictures {

// Every single text of a record, by member, in one list the tests can fill and walk.
// clang-format off
inline std::string IPTCData::*const kIptcTexts[] = {
    &IPTCData::byline, &IPTCData::urgency, &IPTCData::bylineTitle, &IPTCData::credits,
    &IPTCData::source, &IPTCData::objectName, &IPTCData::dateCreated, &IPTCData::timeCreated,
    &IPTCData::originProgram, &IPTCData::originProgramVersion, &IPTCData::city, &IPTCData::state,
    &IPTCData::country, &IPTCData::originalTransmissionReference, &IPTCData::copyrightNotice,
    &IPTCData::caption, &IPTCData::captionWriter, &IPTCData::headline,
    &IPTCData::specialInstructions, &IPTCData::category};
// clang-format on

// The whole record as lines, so that two records compare (and print) field by field.
inline std::vector<std::string> IptcFields(const IPTCData& r) {
    std::vector<std::string> out{r.valid ? "valid" : "not valid"};
    for (auto text : kIptcTexts) out.push_back(r.*text);
    out.insert(out.end(), r.supplementalCategories.begin(), r.supplementalCategories.end());
    out.push_back("|");
    out.insert(out.end(), r.keywords.begin(), r.keywords.end());
    return out;
}

}  // namespace test_pictures
