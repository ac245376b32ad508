#pragma once
// The file dialogs of the main window: the log file ("...") and the data files
// ("Datensatz schreiben", "Datensatz lesen").

#include <QFileDialog>

namespace tagforge::ui {

// Save-file dialog for a log file: default extension "txt", the current name preselected,
// read-only files hidden, buttons "OK" and "Abbruch".
class CLogFileDialog final : public QFileDialog {
  public:
    CLogFileDialog(QWidget* parent, bool writeLog, const QString& currentName);
};

// Dialog for a ".KTDat" data file: a save-file dialog or an open-file dialog, no name
// preselected, read-only files hidden.
class CDataFileDialog final : public QFileDialog {
  public:
    CDataFileDialog(QWidget* parent, bool save);
};

// The chosen path, or empty when the dialog was cancelled.
QString RunFileDialog(QFileDialog& dialog);

}  // namespace tagforge::ui
