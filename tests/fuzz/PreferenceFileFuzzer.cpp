// The preference file (the user's own, or any file named with --config) loaded through the
// store, then each of the program's keys read as the launch reads it.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include "FuzzCheck.h"
#include "platform/linux/KeyFilePreferenceStore.h"
#include "preferences/PreferenceKeys.h"
#include "welcome/WelcomeRules.h"

namespace {

class NullLog final : public headroom::SystemLog {
  public:
    void log(std::string_view) override {}
};

/// One file per fuzzing process, rewritten for every input.
const std::string& inputPath() {
    static const std::string path =
        (std::filesystem::temp_directory_path() /
         ("headroom-fuzz-preferences-" + std::to_string(getpid()) + ".ini"))
            .string();
    return path;
}

void removeInput() {
    std::error_code ignored;
    std::filesystem::remove(inputPath(), ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Registered after the path is made, so it runs before the path is destroyed at exit.
    inputPath();
    std::atexit(removeInput);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream out(inputPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        HEADROOM_FUZZ_CHECK(out.good());
    }
    static NullLog log;
    static headroom::KeyFilePreferenceStore store(inputPath(), log);
    std::string message;
    const auto status = store.load(message);
    // Files over the store's 1 MiB bound are refused unread.
    HEADROOM_FUZZ_CHECK(status == headroom::KeyFilePreferenceStore::LoadStatus::Loaded ||
                        status == headroom::KeyFilePreferenceStore::LoadStatus::Corrupt ||
                        (size > std::size_t{1} << 20 &&
                         status == headroom::KeyFilePreferenceStore::LoadStatus::Unreadable));

    for (const std::string_view key :
         {headroom::kIsRunOnStartUp, headroom::kIsPercentage, headroom::kIsShowIcon,
          headroom::kIsShowText, headroom::kIsAutoFreeMemory, headroom::kShowKey}) {
        const bool present = store.valueForKey(std::string(key));
        HEADROOM_FUZZ_CHECK(present || !store.boolForKey(std::string(key)));
    }
    for (const std::string_view key :
         {headroom::kRefreshInterval, headroom::kMemoryLevel, headroom::kSignificantThreshold}) {
        const bool present = store.valueForKey(std::string(key));
        HEADROOM_FUZZ_CHECK(present || store.integerForKey(std::string(key)) == 0);
    }
    const auto textSize = store.objectForKey(std::string(headroom::kStrTextSize));
    HEADROOM_FUZZ_CHECK(textSize.has_value() ==
                        store.valueForKey(std::string(headroom::kStrTextSize)));
    return 0;
}
