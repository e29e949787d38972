#include "dashboard/journal_source.h"

#include "journal/journal_error.h"
#include "journal/journal_schema.h"

#include <regex>
#include <sys/stat.h>

namespace tarnwell::dashboard {
namespace {

// Requests that run at once beyond this open a connection of their own and
// close it after; the server's threads bound how many that can be.
constexpr size_t kIdleConnections = 4;

bool IsConnectionString(const std::string& location) {
    return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

} // namespace

JournalSource::JournalSource(std::string location)
    : location_(location.empty() ? DefaultJournalPath() : std::move(location)),
      where_(std::regex_replace(location_, std::regex("(://[^:/@]*):[^@/]*@"), "$1:***@")),
      file_(!IsConnectionString(location_)) {}

JournalSource::Identity JournalSource::FileIdentity() const {
    struct stat status {};
    if (::stat(location_.c_str(), &status) != 0)
        throw JournalError(JournalFault::CannotOpen, where_ + ": the journal is not there");
    if (!S_ISREG(status.st_mode)) throw JournalError(JournalFault::CannotOpen, where_ + ": not a journal file");
    return {static_cast<unsigned long long>(status.st_dev), static_cast<unsigned long long>(status.st_ino)};
}

JournalSource::Lease JournalSource::Take() {
    Identity identity;
    if (file_) identity = FileIdentity();
    {
        std::lock_guard lock(mutex_);
        // A file removed or put back under the same name: every connection
        // to what was there before goes.
        std::erase_if(idle_, [&](const Lease& lease) { return !(lease.identity == identity); });
        if (!idle_.empty()) {
            Lease lease = std::move(idle_.back());
            idle_.pop_back();
            return lease;
        }
    }
    return {OpenJournalReader(location_), identity};
}

void JournalSource::Give(Lease lease) {
    std::lock_guard lock(mutex_);
    if (idle_.size() < kIdleConnections) idle_.push_back(std::move(lease));
}

void JournalSource::Prepare(std::ostream& err) {
    if (file_) FileIdentity();
    const auto reader = OpenJournalReader(location_);
    if (!reader->HasTable("schema_version"))
        throw JournalError(JournalFault::Corrupt, where_ + ": not a Tarnwell journal");
    auto rows = reader->Query("SELECT version FROM schema_version", {});
    const int version = rows.empty() || !rows[0][0] ? 0 : std::stoi(*rows[0][0]);
    const int latest = LatestJournalVersion(reader->Dialect());
    if (version > latest) {
        err << where_ << ": the journal has schema version " << version << "; this program knows up to " << latest
            << ", so some figures may be missing\n";
        return;
    }
    if (version == latest) return;
    // The journal's own tools bring it up to date when they open it; the web
    // view does the same once, before it reads, and never writes after.
    try {
        OpenJournal(location_);
    } catch (const JournalError& error) {
        err << where_ << ": could not add the newest indices (" << error.what()
            << "); the figures are read without them, more slowly\n";
    }
}

} // namespace tarnwell::dashboard
