// Writes NPvantelo.xpt, the description of nsIVantelo that goes beside the plug-in: the
// interface's name and IID, then one line per entry, "<slot> <name>(<parameter types>)".
//   npvantelo_xpt_writer <output file>
#include <cstdio>
#include <fstream>
#include <string>

#include "viewer-plugin/npvantelo/nsIVantelo.h"

namespace {

std::string FormatIid(const nsIID& iid) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(iid.m0), static_cast<unsigned>(iid.m1),
                  static_cast<unsigned>(iid.m2), iid.m3[0], iid.m3[1], iid.m3[2], iid.m3[3],
                  iid.m3[4], iid.m3[5], iid.m3[6], iid.m3[7]);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: npvantelo_xpt_writer <output file>\n");
        return 2;
    }
    std::string text = "interface nsIVantelo " + FormatIid(NS_IVANTELO_IID) + "\n";
    std::size_t slot = nsivantelo_description::kFirstSlot;
    for (const auto& entry : nsivantelo_description::kEntries) {
        text += std::to_string(slot++) + " " + std::string(entry.name) + "(";
        for (std::size_t i = 0; i < entry.parameterCount; ++i) {
            if (i > 0) text += ", ";
            text += entry.parameters[i];
        }
        text += ")\n";
    }
    // Written beside the final name and renamed over it, so that a failed run leaves no
    // half-written description for the build to take as done.
    const std::string path = argv[1];
    const std::string partial = path + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            std::fprintf(stderr, "npvantelo_xpt_writer: cannot write %s\n", partial.c_str());
            std::remove(partial.c_str());
            return 1;
        }
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "npvantelo_xpt_writer: cannot create %s\n", path.c_str());
        std::remove(partial.c_str());
        return 1;
    }
    return 0;
}
