// Writes the fuzz corpus's seeds: one well-formed packet of each kind the readers know.
//   dimrix_bridge_fuzz_seeds DIRECTORY

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "SamplePackets.h"

namespace samples = dimrix::bridge::samples;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: dimrix_bridge_fuzz_seeds DIRECTORY\n";
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    std::filesystem::create_directories(directory);

    samples::Bytes sync = samples::Sacn({});
    sync.resize(49);
    sync[21] = 0x08;  // extended root vector
    const std::vector<std::pair<std::string, samples::Bytes>> seeds{
        {"sacn-3", samples::Sacn({10, 20, 30})},
        {"sacn-512", samples::Sacn(samples::Bytes(512, 0x80), {.priority = 200})},
        {"sacn-terminated", samples::Sacn({1}, {.sequence = 9, .options = 0x40})},
        {"sacn-priorities", samples::Sacn({200, 0, 1, 100}, {.sequence = 3, .startCode = 0xdd})},
        {"sacn-sync", sync},
        {"artdmx-2", samples::ArtDmx({255, 0}, 0x0001, 1)},
        {"artdmx-3", samples::ArtDmx({255, 0, 128}, 0x0010, 2)},
        {"artdmx-512", samples::ArtDmx(samples::Bytes(512, 7), 0x7fff, 0)},
        {"artpoll", samples::ArtPoll()},
        {"artpoll-4", samples::ArtPoll(22)},
    };
    for (const auto& [name, bytes] : seeds) {
        std::ofstream file(directory / name, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file) {
            std::cerr << "dimrix_bridge_fuzz_seeds: cannot write " << (directory / name) << '\n';
            return 1;
        }
    }
    return 0;
}
