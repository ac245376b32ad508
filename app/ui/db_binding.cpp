#include "app/ui/db_binding.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <utility>

#include "app/db/job_store.h"
#include "app/db/pg_session.h"

namespace tagforge::ui {

namespace {

constexpr const char* kSection = "Datenbank";

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

DbChoice LoadDbChoice(ProfileStore& profile) {
    DbChoice choice;
    choice.active = profile.ReadInt(kSection, "Aktiv", 0) != 0;
    choice.conninfo = profile.ReadString(kSection, "Verbindung", "");
    choice.job = profile.ReadString(kSection, "Job", "");
    choice.station = profile.ReadString(kSection, "Station", "");
    // A password written into the profile by hand is not used.
    if (db::RefuseConninfo(choice.conninfo)) {
        choice.active = false;
    }
    return choice;
}

void SaveDbChoice(ProfileStore& profile, const DbChoice& choice) {
    profile.WriteInt(kSection, "Aktiv", choice.active ? 1 : 0);
    profile.WriteString(kSection, "Verbindung", choice.conninfo);
    profile.WriteString(kSection, "Job", choice.job);
    profile.WriteString(kSection, "Station", choice.station);
}

void DbBinding::SetChoice(CycleEngine& engine, const DbChoice& choice) {
    Drop(engine);
    m_choice = choice;
    SaveDbChoice(m_profile, choice);
}

std::optional<std::string> DbBinding::Ready(CycleEngine& engine) {
    if (!m_choice.active) {
        Drop(engine);
        return std::nullopt;
    }
    if (m_source && !m_source->Problem().empty() && !m_source->Exhausted()) {
        m_source.reset();  // its connection failed: a new one, and the reservation taken back
    }
    if (!m_source) {
        std::string problem;
        m_source = db::DbNumberSource::Open({m_choice.conninfo, m_choice.job, m_choice.station, {}},
                                            problem);
        if (!m_source) {
            engine.SetNumberSource(nullptr);
            return problem;
        }
    }
    const db::StationAllocator& allocator = m_source->Allocator();
    if (!m_localJob) {
        m_localJob = engine.Job();
    }
    engine.Job() = db::AsWriteJob(allocator.Job(), allocator.Held().value_or(allocator.Job().last));
    engine.SetNumberSource(m_source.get());
    return std::nullopt;
}

void DbBinding::Drop(CycleEngine& engine) {
    engine.SetNumberSource(nullptr);
    m_source.reset();
    if (m_localJob) {
        engine.Job() = *std::exchange(m_localJob, std::nullopt);
    }
}

DbJobDlg::DbJobDlg(const DbChoice& choice, QWidget* parent) : QDialog(parent) {
    setObjectName("DbJobDlg");
    setWindowTitle(QCoreApplication::translate("DbJobDlg", "Datenbank-Job"));
    auto* form = new QFormLayout(this);
    m_active = new QCheckBox(
        QCoreApplication::translate("DbJobDlg", "Werte aus der Datenbank nehmen"), this);
    m_active->setChecked(choice.active);
    m_conninfo = new QLineEdit(Q(choice.conninfo), this);
    m_conninfo->setPlaceholderText(QCoreApplication::translate(
        "DbJobDlg", "leer: PG*-Umgebung; z. B. host=server dbname=vesmor"));
    m_conninfo->setToolTip(QCoreApplication::translate(
        "DbJobDlg", "Passwörter stehen in ~/.pgpass oder PGPASSFILE, nie hier."));
    m_job = new QLineEdit(Q(choice.job), this);
    m_station = new QLineEdit(Q(choice.station), this);
    m_station->setPlaceholderText(Q(db::DefaultStationName()));
    form->addRow(m_active);
    form->addRow(QCoreApplication::translate("DbJobDlg", "Verbindung:"), m_conninfo);
    form->addRow(QCoreApplication::translate("DbJobDlg", "Job:"), m_job);
    form->addRow(QCoreApplication::translate("DbJobDlg", "Station:"), m_station);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QCoreApplication::translate("DbJobDlg", "OK"));
    buttons->button(QDialogButtonBox::Cancel)
        ->setText(QCoreApplication::translate("DbJobDlg", "Abbruch"));
    connect(buttons, &QDialogButtonBox::accepted, this, &DbJobDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &DbJobDlg::reject);
    form->addRow(buttons);
    setMinimumWidth(420);
}

DbChoice DbJobDlg::Choice() const {
    return {m_active->isChecked(), m_conninfo->text().trimmed().toStdString(),
            m_job->text().trimmed().toStdString(), m_station->text().trimmed().toStdString()};
}

void DbJobDlg::accept() {
    const DbChoice choice = Choice();
    if (const std::optional<std::string> refused = db::RefuseConninfo(choice.conninfo)) {
        QMessageBox::warning(this, windowTitle(), Q(*refused));
        return;
    }
    if (choice.active && choice.job.empty()) {
        QMessageBox::warning(this, windowTitle(),
                             QCoreApplication::translate("DbJobDlg", "Bitte einen Job angeben."));
        return;
    }
    QDialog::accept();
}

}  // namespace tagforge::ui
