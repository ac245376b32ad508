#pragma once
// F1 help: the manual (a PDF file) opened with the desktop's viewer.

#include <QString>
#include <QStringList>

class QWidget;

namespace tagforge::ui {

class UiPrompts;

// The error a failed open reports when the file is fine but no program takes PDF files.
inline constexpr int kNoPdfViewer = -1;

// The manual F1 opens: the first of `directories` that holds a PDF file gives it: the file
// `preferred` (the manual in the shown language) when it is there, else its first PDF file by
// name. Empty when no directory holds one.
QString FindManual(const QStringList& directories, const QString& preferred);

// The message for a help start that failed with `error` (an errno value or kNoPdfViewer).
QString HelpFailureText(int error);

// Opens `manual` with the desktop's handler for PDF files; 0, or the error of the failure.
int OpenManual(const QString& manual);

// F1: looks for the manual and opens it; a failure is reported through `prompts`, and without
// a manual nothing happens.
void ShowHelp(QWidget* parent, UiPrompts& prompts, const QStringList& directories,
              const QString& preferred);

}  // namespace tagforge::ui
