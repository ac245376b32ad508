#pragma once
// A text limit as the platform's edit fields have it: the user cannot type beyond `limit`
// characters, but a longer text that the program puts in (a loaded job, a format switch) stays
// whole and is refused by the checks later, instead of being cut to a different value.
// A limit of 0 means no limit.

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QValidator>

namespace tagforge::ui {

class LineTextLimit final : public QValidator {
  public:
    explicit LineTextLimit(QLineEdit* edit);
    void SetLimit(int limit) { m_limit = limit; }
    State validate(QString& input, int& position) const override;

  private:
    // The text before the change being validated (the field holds the new one meanwhile).
    QString m_accepted;
    int m_limit = 0;
};

class PlainTextLimit final : public QObject {
  public:
    explicit PlainTextLimit(QPlainTextEdit* edit);
    void SetLimit(int limit) { m_limit = limit; }
    // Puts a text in without applying the limit.
    void SetText(const QString& text);

  private:
    void OnChanged();

    QPlainTextEdit* m_edit;
    QString m_accepted;
    int m_limit = 0;
    bool m_settingText = false;
};

}  // namespace tagforge::ui
