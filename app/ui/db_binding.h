#pragma once
// The window's database job: where its values come from when one is chosen ("Datenbank-Job"
// in the system menu), kept in the profile without any password, opened when a write starts
// and dropped when the database fails, so that the next start connects again.

#include <QDialog>
#include <memory>
#include <optional>
#include <string>

#include "app/core/cycle_engine.h"
#include "app/core/settings_model.h"
#include "app/db/db_number_source.h"

class QCheckBox;
class QLineEdit;

namespace tagforge::ui {

struct DbChoice {
    bool active = false;
    std::string conninfo;  // libpq's connection text; "" = the PG* environment
    std::string job;
    std::string station;  // "" = the host name
};

// Section "Datenbank": `Aktiv`, `Verbindung`, `Job`, `Station`.
DbChoice LoadDbChoice(ProfileStore& profile);
void SaveDbChoice(ProfileStore& profile, const DbChoice& choice);

class DbBinding {
  public:
    explicit DbBinding(ProfileStore& profile)
        : m_profile(profile), m_choice(LoadDbChoice(profile)) {}

    bool Active() const { return m_choice.active; }
    const DbChoice& Choice() const { return m_choice; }
    // Stores the choice; a running source is dropped and the next write opens the new one.
    void SetChoice(CycleEngine& engine, const DbChoice& choice);

    // The source on the engine, opened if it is not; the job's value and parameters in the
    // engine's job. The message when it cannot be opened.
    std::optional<std::string> Ready(CycleEngine& engine);
    // After the database failed: the next write opens it again.
    void Drop(CycleEngine& engine);
    const db::DbNumberSource* Source() const { return m_source.get(); }
    // The window's own job while the database's is in the engine (what the profile keeps).
    const std::optional<WriteJob>& LocalJob() const { return m_localJob; }

  private:
    ProfileStore& m_profile;
    DbChoice m_choice;
    std::unique_ptr<db::DbNumberSource> m_source;
    std::optional<WriteJob> m_localJob;
};

// The small window for the choice: connection, job, station.
class DbJobDlg final : public QDialog {
  public:
    DbJobDlg(const DbChoice& choice, QWidget* parent);
    DbChoice Choice() const;
    void accept() override;

  private:
    QCheckBox* m_active = nullptr;
    QLineEdit* m_conninfo = nullptr;
    QLineEdit* m_job = nullptr;
    QLineEdit* m_station = nullptr;
};

}  // namespace tagforge::ui
