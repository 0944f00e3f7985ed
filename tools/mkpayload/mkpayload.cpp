// mkpayload: builds the setup program's payload from a manifest, and lists one.
//   mkpayload build MANIFEST OUT
//   mkpayload list PAYLOAD
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "payload/PayloadBuilder.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: mkpayload build MANIFEST OUT\n       mkpayload list PAYLOAD\n");
    return 2;
}

int Build(const std::string& manifest, const std::string& outPath) {
    std::string packed, error;
    if (!BuildPayloadFromManifest(manifest, packed, error)) {
        std::fprintf(stderr, "mkpayload: %s\n", error.c_str());
        return 1;
    }
    // Write beside the target and rename, so a failed run leaves no half file.
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

int List(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "mkpayload: cannot read %s\n", path.c_str());
        return 1;
    }
    const std::string packed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string listing, error;
    if (!ListPayload(packed, listing, error)) {
        std::fprintf(stderr, "mkpayload: %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    std::cout << listing;
    return std::cout.flush() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 3) return Usage();
    const std::string cmd = argv[1];
    if (cmd == "build" && argc == 4) return Build(argv[2], argv[3]);
    if (cmd == "list" && argc == 3) return List(argv[2]);
    return Usage();
}
