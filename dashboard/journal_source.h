#pragma once
// The journal as the web view reads it: a few read-only connections, each
// used for one request at a time inside one read transaction, so the figures
// of a request agree with each other and no station's write waits for them.
//
// A journal that goes away (a SQLite file removed or replaced, a PostgreSQL
// server that stopped) fails the requests of that moment with JournalError;
// the connections are opened afresh for the next one, and a file that is not
// there is never created.
#include "journal/journal_view.h"

#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace tarnwell::dashboard {

class JournalSource {
public:
    explicit JournalSource(std::string location);

    // Checks the journal once before serving: it must be there and be a
    // journal. An older one gets the newest indices through the journal's own
    // migration when it can; otherwise it is read as it is, with a warning on
    // `err`. Throws JournalError.
    void Prepare(std::ostream& err);

    // Runs `read(view)` in one read transaction. Throws JournalError.
    template <class Read> auto Run(Read&& read) {
        Lease lease = Take();
        lease.connection->BeginRead();
        try {
            JournalView view(*lease.connection);
            auto result = read(view);
            lease.connection->Commit();
            Give(std::move(lease));
            return result;
        } catch (...) {
            // A connection that failed once is not trusted again.
            lease.connection->Rollback();
            throw;
        }
    }

    // The location for messages (a connection string without its password).
    const std::string& Where() const { return where_; }
    bool IsFile() const { return file_; }

private:
    struct Identity {
        unsigned long long device = 0, inode = 0;
        bool operator==(const Identity&) const = default;
    };
    struct Lease {
        std::unique_ptr<SqlConnection> connection;
        Identity identity;
    };
    Lease Take();
    void Give(Lease lease);
    // The file's identity now; throws when it is not there.
    Identity FileIdentity() const;

    std::string location_;
    std::string where_;
    bool file_;
    std::mutex mutex_;
    std::vector<Lease> idle_;
};

} // namespace tarnwell::dashboard
