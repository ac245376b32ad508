#pragma once
// The number source of a database job: each transponder gets the value its station reserved,
// a transponder the job has written already is left alone, and any failure of the database
// stops the cycle before a block is written.

#include <memory>
#include <string>

#include "app/core/number_source.h"
#include "app/db/pg_session.h"
#include "app/db/station_allocator.h"

namespace tagforge::db {

struct DbSourceOptions {
    std::string conninfo;  // libpq's connection text ("" = the PG* environment)
    std::string job;
    std::string station;  // "" = the host name
    SessionLimits limits;
};

class DbNumberSource final : public NumberSource {
  public:
    // Connects, checks the schema, finds the job and takes back or makes this station's
    // reservation. nullptr with `problem` set when any of it fails.
    static std::unique_ptr<DbNumberSource> Open(const DbSourceOptions& options,
                                                std::string& problem);

    NumberClaim ForTransponder(const Uid& uid, const TagGeometry& tag) override;
    bool Written(const Uid& uid) override;
    bool WriteFailed(const std::string& reason) override;
    std::string HeldText() const override;
    std::string Describe() const override;
    std::string Problem() const override { return m_problem; }
    bool Exhausted() const override { return m_exhausted; }

    const StationAllocator& Allocator() const { return *m_allocator; }

  private:
    DbNumberSource(std::unique_ptr<PgSession> session, const DbJob& job,
                   const std::string& station);
    // Takes a failed allocation's text; false.
    bool Fail(const Allocation& allocation);
    NumberClaim Stop();

    std::unique_ptr<PgSession> m_session;
    std::unique_ptr<StationAllocator> m_allocator;
    std::string m_problem;
    bool m_exhausted = false;
};

// The UID as the reader's inventory gives it, written most significant byte first.
std::string UidHex(const Uid& uid);

}  // namespace tagforge::db
