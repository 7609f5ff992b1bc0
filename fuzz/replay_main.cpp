// Runs a fuzz target over files, for compilers without libFuzzer: every
// argument is a file or a folder of files, each fed to the target once.
// The fuzz targets' seed corpora thus run as tests in every build.

#include "fuzztarget.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

bool Replay(const std::filesystem::path &File)
{
    std::ifstream in(File, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "replay: cannot read %s\n", File.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // An empty input still gets a valid pointer, as libFuzzer gives it.
    static const std::uint8_t Nothing = 0;
    LLVMFuzzerTestOneInput(bytes.empty() ? &Nothing : reinterpret_cast<const std::uint8_t *>(bytes.data()),
                           bytes.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    int inputs = 0;
    bool readable = true;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            std::vector<std::filesystem::path> files;
            for (const auto &entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            }
            std::sort(files.begin(), files.end());
            for (const auto &file : files) {
                readable = Replay(file) && readable;
                ++inputs;
            }
        } else {
            readable = Replay(path) && readable;
            ++inputs;
        }
    }
    std::printf("replayed %d inputs\n", inputs);
    return readable && inputs > 0 ? 0 : 1;
}
