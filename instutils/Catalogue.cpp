#include "instutils/ResConst.h"
#include "instutils/InstUtils.h"

const char* const ComponentNames[ComponentCount] = {
    "Parvela Word Processor", "English spellchecker", "Hyphenation module",
    "Document templates",     "Clip library",         "Basic sound scheme",
};

const char* const ComponentFiles[ComponentCount] = {
    "parv.exe\rLicense.txt",
    ("English (American).asc\rEnglish (British).asc\renglish.zlx\rus.zlx\ruk.zlx\r"
     "userdicen.tlx\rEnglish (American).cache"),
    "Hyphenation.dat",
    "Templates\\",
    "Clip Library\\",
    "Basic.asn",
};

bool MatchesEntry(const std::string& fileListEntry, const std::string& payloadName) {
    if (LastChar(fileListEntry) == '\\') {
        if (payloadName.size() < fileListEntry.size())
            return TextEqualsIgnoreCase(payloadName, fileListEntry);
        return TextEqualsIgnoreCase(payloadName.substr(0, fileListEntry.size()), fileListEntry);
    }
    return TextEqualsIgnoreCase(payloadName, fileListEntry);
}
