// The unit tests read the shipped support files wherever they are run
// from: the program folder starts as the source tree's support/ folder
// (tests that need other files set a folder of their own).
#include <gtest/gtest.h>
#include <stdlib.h>

#include "base/runstate.h"

namespace {

struct SupportFolder : ::testing::Environment {
    void SetUp() override
    {
        unsetenv("QUILLET_SUPPORT");  // only the folders the tests set
        run_setprogramdir(QUILLET_SUPPORT_DIR "/");
    }
};

::testing::Environment* const kSupportFolder = ::testing::AddGlobalTestEnvironment(new SupportFolder);

}  // namespace
