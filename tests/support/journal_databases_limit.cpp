#include "support/platform_limits.h"

namespace tarnwell::test {

PlatformLimit NoJournalDatabases() {
    return {!TARNWELL_JOURNAL_DATABASES_BUILT,
            "this build has no journal databases, and the line runner journals every unit"};
}

} // namespace tarnwell::test
