// vesmor db: the shared number range in PostgreSQL: create the tables, create and list jobs,
// report every write of a job, void a value whose transponder was thrown away.

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/db/job_store.h"
#include "app/db/schema.h"
#include "tools/common/printable_text.h"
#include "tools/vesmor/commands.h"
#include "tools/vesmor/common.h"
#include "tools/vesmor/db_options.h"
#include "tools/vesmor/tool_text.h"

namespace vesmor::cli {

namespace db = tagforge::db;

void AddDbOption(CLI::App& command, std::string& conninfo) {
    command.add_option("--db", conninfo,
                       "PostgreSQL connection (URI or key=value as libpq takes it; without it "
                       "the PG* environment; passwords from PGPASSFILE or ~/.pgpass)");
}

std::unique_ptr<db::PgSession> OpenDbSession(const std::string& conninfo, bool forInit) {
    if (const std::optional<std::string> refused = db::RefuseConninfo(conninfo)) {
        std::cerr << "--db: " << *refused << "\n";
        return nullptr;
    }
    auto session = std::make_unique<db::PgSession>(conninfo);
    std::optional<db::DbError> error = session->Open();
    if (!error && !forInit) {
        error = db::RequireCurrentSchema(*session);
    }
    if (error) {
        std::cerr << tools::Printable(error->text, tools::LineEnds::kKeep) << "\n";
        return nullptr;
    }
    return session;
}

namespace {

int Failed(const db::DbError& error) {
    std::cerr << tools::Printable(error.text, tools::LineEnds::kKeep) << "\n";
    return kExitFailed;
}

// The job named on the command line; prints why not and gives nullopt.
std::optional<db::DbJob> NamedJob(db::PgSession& session, const std::string& name) {
    const db::JobResult found = db::FindJob(session, name);
    if (found.error) {
        Failed(*found.error);
    } else if (!found.job) {
        std::cerr << Tr(QT_TRANSLATE_NOOP("vesmor", "Job \"%1\" gibt es nicht"),
                        {tools::Printable(name)})
                  << "\n";
    }
    return found.job;
}

// A session and the job named on the command line; prints why not and gives nullopt.
std::optional<db::DbJob> OpenJob(const std::string& conninfo, const std::string& name,
                                 std::unique_ptr<db::PgSession>& session) {
    session = OpenDbSession(conninfo, false);
    return session ? NamedJob(*session, name) : std::nullopt;
}

int RunInit(const std::string& conninfo) {
    const std::unique_ptr<db::PgSession> session = OpenDbSession(conninfo, true);
    if (!session) {
        return kExitFailed;
    }
    if (const std::optional<db::DbError> error = db::InitSchema(*session)) {
        return Failed(*error);
    }
    std::cout << Tr(QT_TRANSLATE_NOOP("vesmor", "Datenbankschema Version %1: %2"),
                    {std::to_string(db::CurrentSchemaVersion()), session->ServerName()})
              << "\n";
    return kExitOk;
}

struct JobCreateOptions {
    db::DbJob job;
    std::string first;
    std::string last;
    std::string affix;
};

int RunJobCreate(const std::string& conninfo, JobCreateOptions& o) {
    const std::optional<uint64_t> first = db::ParseValue(o.job.format, o.first);
    const std::optional<uint64_t> last = db::ParseValue(o.job.format, o.last);
    if (!first || !last) {
        std::cerr << (first ? "--last" : "--first") << ": "
                  << Tr(QT_TRANSLATE_NOOP("vesmor", "keine Zahl im Format %1"),
                        {std::to_string(o.job.format)})
                  << "\n";
        return kExitUsage;
    }
    if (!o.affix.empty()) {
        const size_t mark = o.affix.find('#');
        if (mark == std::string::npos || o.affix.find('#', mark + 1) != std::string::npos) {
            std::cerr << "--affix: "
                      << Tr(QT_TRANSLATE_NOOP("vesmor", "ein # markiert den Platz der Zahl"))
                      << "\n";
            return kExitUsage;
        }
        o.job.prefix = o.affix.substr(0, mark);
        o.job.suffix = o.affix.substr(mark + 1);
    }
    o.job.first = *first;
    o.job.last = *last;
    const std::unique_ptr<db::PgSession> session = OpenDbSession(conninfo, false);
    if (!session) {
        return kExitFailed;
    }
    if (const std::optional<db::DbError> error = db::CreateJob(*session, o.job)) {
        return Failed(*error);
    }
    std::cout << Tr(QT_TRANSLATE_NOOP("vesmor", "Job \"%1\": %2 bis %3"),
                    {o.job.name, db::ValueText(o.job, o.job.first),
                     db::ValueText(o.job, o.job.last)})
              << "\n";
    return kExitOk;
}

int RunJobList(const std::string& conninfo) {
    const std::unique_ptr<db::PgSession> session = OpenDbSession(conninfo, false);
    if (!session) {
        return kExitFailed;
    }
    std::optional<db::DbError> error;
    const std::vector<db::DbJob> jobs = db::ListJobs(*session, error);
    if (error) {
        return Failed(*error);
    }
    for (const db::DbJob& job : jobs) {
        const std::string next = job.next > job.last ? "-" : db::ValueText(job, job.next);
        std::cout << tools::Printable(job.name) << "\t" << job.format << "\t" << job.startBlock << "\t"
                  << job.byteCount << "\t" << db::ValueText(job, job.first) << "\t"
                  << db::ValueText(job, job.last) << "\t" << next << "\t" << job.written << "\t"
                  << job.created << "\n";
    }
    return kExitOk;
}

// A CSV field, quoted when it holds a separator, a quote or a line break.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

int RunReport(const std::string& conninfo, const std::string& name, bool csv, bool json) {
    std::unique_ptr<db::PgSession> session;
    const std::optional<db::DbJob> job = OpenJob(conninfo, name, session);
    if (!job) {
        return kExitFailed;
    }
    std::optional<db::DbError> error;
    const std::vector<db::WriteRow> rows = db::ReportRows(*session, job->id, error);
    if (error) {
        return Failed(*error);
    }
    if (json) {
        nlohmann::json list = nlohmann::json::array();
        for (const db::WriteRow& r : rows) {
            list.push_back({{"value", db::ValueText(*job, r.value)},
                            {"uid", r.uid},
                            {"station", r.station},
                            {"time", r.time},
                            {"state", r.state},
                            {"tag_type", r.tagType},
                            {"error", r.error}});
        }
        // Invalid UTF-8 from the database is replaced rather than ending the report.
        std::cout << list.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        return kExitOk;
    }
    if (csv) {
        std::cout << "value,uid,station,time,state,tag_type,error\r\n";
    }
    for (const db::WriteRow& r : rows) {
        const std::vector<std::string> fields{
            db::ValueText(*job, r.value), r.uid, r.station, r.time, r.state, r.tagType, r.error};
        std::string line;
        for (const std::string& f : fields) {
            line +=
                (line.empty() ? "" : (csv ? "," : "\t")) + (csv ? CsvField(f) : tools::Printable(f));
        }
        std::cout << line << (csv ? "\r\n" : "\n");
    }
    return kExitOk;
}

int RunVoid(const std::string& conninfo, const std::string& name, const std::string& value,
            const std::string& reason) {
    std::unique_ptr<db::PgSession> session;
    const std::optional<db::DbJob> job = OpenJob(conninfo, name, session);
    if (!job) {
        return kExitFailed;
    }
    // The value as the report shows it: with the job's text around the number, or without.
    std::string number = value;
    if (number.starts_with(job->prefix) &&
        number.size() >= job->prefix.size() + job->suffix.size() && number.ends_with(job->suffix)) {
        number = number.substr(job->prefix.size(),
                               number.size() - job->prefix.size() - job->suffix.size());
    }
    const std::optional<uint64_t> parsed = db::ParseValue(job->format, number);
    if (!parsed) {
        std::cerr << "VALUE: "
                  << Tr(QT_TRANSLATE_NOOP("vesmor", "keine Zahl im Format %1"),
                        {std::to_string(job->format)})
                  << "\n";
        return kExitUsage;
    }
    if (const std::optional<db::DbError> error =
            db::VoidValue(*session, job->id, *parsed, reason)) {
        return Failed(*error);
    }
    return kExitOk;
}

}  // namespace

void AddDbCommand(CLI::App& app, int& exitCode) {
    CLI::App* dbCommand =
        app.add_subcommand("db", "shared number range and write record in PostgreSQL");
    dbCommand->require_subcommand(1);
    auto conninfo = std::make_shared<std::string>();

    CLI::App* init = dbCommand->add_subcommand("init", "create or upgrade the tables");
    AddDbOption(*init, *conninfo);
    init->callback([conninfo, &exitCode] { exitCode = RunInit(*conninfo); });

    CLI::App* jobCommand = dbCommand->add_subcommand("job", "create and list jobs");
    jobCommand->require_subcommand(1);
    CLI::App* create = jobCommand->add_subcommand("create", "create a job with its number range");
    auto createOptions = std::make_shared<JobCreateOptions>();
    AddDbOption(*create, *conninfo);
    create->add_option("NAME", createOptions->job.name, "the job's name")->required();
    create
        ->add_option("--format", createOptions->job.format,
                     "0 hex binary, 1 hex ASCII, 2 decimal binary, 3 decimal ASCII")
        ->required()
        ->check(CLI::Range(0, 3));
    create->add_option("--start", createOptions->job.startBlock, "first block")
        ->required()
        ->check(CLI::Range(0, 1024));
    create->add_option("--bytes", createOptions->job.byteCount, "number of bytes")
        ->required()
        ->check(CLI::Range(1, 1023));
    create->add_option("--first", createOptions->first, "first value of the range")->required();
    create->add_option("--last", createOptions->last, "last value of the range")->required();
    create->add_flag("--zeros", createOptions->job.zeros,
                     "pad with leading zeros (Führende Nullen)");
    create->add_option("--affix", createOptions->affix,
                       "text around the number, # marks its place (Zusatztext zulassen)");
    create->callback([conninfo, createOptions, &exitCode] {
        exitCode = RunJobCreate(*conninfo, *createOptions);
    });

    CLI::App* list = jobCommand->add_subcommand(
        "list", "list the jobs: name, format, start, bytes, first, last, next, written, created");
    AddDbOption(*list, *conninfo);
    list->callback([conninfo, &exitCode] { exitCode = RunJobList(*conninfo); });

    CLI::App* report = dbCommand->add_subcommand(
        "report", "every write of a job: value, UID, station, time, state, tag type, error");
    auto reportJob = std::make_shared<std::string>();
    auto csv = std::make_shared<bool>(false);
    auto json = std::make_shared<bool>(false);
    AddDbOption(*report, *conninfo);
    report->add_option("NAME", *reportJob, "the job")->required();
    CLI::Option* csvFlag = report->add_flag("--csv", *csv, "comma-separated, with a header line");
    report->add_flag("--json", *json, "a JSON array")->excludes(csvFlag);
    report->callback([conninfo, reportJob, csv, json, &exitCode] {
        exitCode = RunReport(*conninfo, *reportJob, *csv, *json);
    });

    CLI::App* voidCommand =
        dbCommand->add_subcommand("void", "mark a written value void (its tag was thrown away)");
    auto voidJob = std::make_shared<std::string>();
    auto voidValue = std::make_shared<std::string>();
    auto reason = std::make_shared<std::string>();
    AddDbOption(*voidCommand, *conninfo);
    voidCommand->add_option("NAME", *voidJob, "the job")->required();
    voidCommand->add_option("VALUE", *voidValue, "the value")->required();
    voidCommand->add_option("--reason", *reason, "why")->required();
    voidCommand->callback([conninfo, voidJob, voidValue, reason, &exitCode] {
        exitCode = RunVoid(*conninfo, *voidJob, *voidValue, *reason);
    });
}

}  // namespace vesmor::cli
