// mkpayload: builds the setup program's payload from a manifest or from a
// release folder, and lists one.
//   mkpayload build MANIFEST OUT
//   mkpayload release FOLDER OUT
//   mkpayload list PAYLOAD
//   mkpayload crc PAYLOAD OUT   (the setup program's check of its payload)
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "instutils/InstUtils.h"
#include "payload/AttachFiles.h"
#include "payload/PayloadBuilder.h"
#include "tools/mkpayload/ReleaseFolder.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: mkpayload build MANIFEST OUT\n       mkpayload release FOLDER OUT\n"
                 "       mkpayload list PAYLOAD\n       mkpayload crc PAYLOAD OUT\n");
    return 2;
}

// Writes beside the target and renames, so a failed run leaves no half file.
int WritePayload(const std::string& packed, const std::string& outPath) {
    const std::string tmp = outPath + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(packed.data(), static_cast<std::streamsize>(packed.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "mkpayload: cannot write %s\n", tmp.c_str());
            std::remove(tmp.c_str());
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), outPath.c_str()) != 0) {
        std::fprintf(stderr, "mkpayload: cannot write %s\n", outPath.c_str());
        std::remove(tmp.c_str());
        return 1;
    }
    return 0;
}

int Build(const std::string& manifest, const std::string& outPath) {
    std::string packed, error;
    if (!BuildPayloadFromManifest(manifest, packed, error)) {
        std::fprintf(stderr, "mkpayload: %s\n", error.c_str());
        return 1;
    }
    return WritePayload(packed, outPath);
}

// Everything is checked before a byte is read for packing; any problem ends
// the run with nothing written.
int Release(std::string folder, const std::string& outPath) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    std::vector<std::string> problems;
    const std::vector<TReleaseFile> files = ListReleaseFolder(folder, problems);
    // A folder that was not read whole would only add files reported missing.
    TReleaseCheck check;
    if (problems.empty()) check = CheckReleaseFiles(files, folder);
    problems.insert(problems.end(), check.Problems.begin(), check.Problems.end());
    for (const std::string& w : check.Warnings)
        std::fprintf(stderr, "mkpayload: warning: %s\n", w.c_str());
    for (const std::string& p : problems) std::fprintf(stderr, "mkpayload: %s\n", p.c_str());
    if (!problems.empty()) {
        std::fprintf(stderr, "mkpayload: %zu problem(s) in %s; nothing written\n", problems.size(),
                     folder.c_str());
        return 1;
    }
    for (TManifestEntry& e : check.Entries) e.Source = folder + "/" + e.Source;
    std::string packed, error;
    if (!PackEntries(check.Entries, packed, error)) {
        std::fprintf(stderr, "mkpayload: %s\n", error.c_str());
        return 1;
    }
    return WritePayload(packed, outPath);
}

int List(const std::string& path) {
    std::string packed;
    if (ReadWholeFile(path, packed) != TFileRead::Read) {
        std::fprintf(stderr, "mkpayload: cannot read %s\n", path.c_str());
        return 1;
    }
    std::string listing, error;
    if (!ListPayload(packed, listing, error)) {
        std::fprintf(stderr, "mkpayload: %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    std::cout << listing;
    return std::cout.flush() ? 0 : 1;
}

// The setup program shows its wizard on a matching CRC alone, so the CRC is
// written only for a payload that its own reader opens and that it can use.
int Crc(const std::string& path, const std::string& outPath) {
    std::string packed;
    if (ReadWholeFile(path, packed) != TFileRead::Read) {
        std::fprintf(stderr, "mkpayload: cannot read %s\n", path.c_str());
        return 1;
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(packed.data());
    TPayloadError e = TPayloadError::Ok;
    const auto files = TAttachedFiles::Create(bytes, packed.size(), &e);
    if (files) e = CheckSetupPayload(*files);
    if (e != TPayloadError::Ok) {
        std::fprintf(stderr, "mkpayload: %s: %s; no checksum written\n", path.c_str(),
                     PayloadErrorText(e));
        return 1;
    }
    return WritePayload(StoredCrc(PackedCrc32(bytes, packed.size())), outPath);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 3) return Usage();
    const std::string cmd = argv[1];
    if (cmd == "build" && argc == 4) return Build(argv[2], argv[3]);
    if (cmd == "release" && argc == 4) return Release(argv[2], argv[3]);
    if (cmd == "list" && argc == 3) return List(argv[2]);
    if (cmd == "crc" && argc == 4) return Crc(argv[2], argv[3]);
    return Usage();
}
