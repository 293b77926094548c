// Any byte string as a recording of any format, converted for a slot of a few thousand samples: the
// mixing, resampling and levelling must hold for every channel count and rate a header can state.
#include "audio/Conversion.h"
#include "audio/SoundFile.h"

#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kWanted = 4000;
    const int fd = ::memfd_create("recording", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size)) {
        std::abort();
    }
    {
        SoundFile file("/proc/self/fd/" + std::to_string(fd));
        if (file.IsOpen()) {
            if (file.Info().sampleRate <= 0 || file.Info().channels <= 0 ||
                DescribeSound(file.Info()).empty()) {
                std::abort();
            }
            if (ConvertForController(file, kWanted, true).size() > kWanted) {
                std::abort();
            }
        }
    }
    ::close(fd);
    return 0;
}
