#include "periphery/ui/port_prompts.h"

#include <QMessageBox>

namespace tagforge::ui {

bool PortDlgPrompts::RetryOrCancel(QWidget* parent, const QString& caption, const QString& text) {
    return QMessageBox::warning(parent, caption, text, QMessageBox::Retry | QMessageBox::Cancel,
                                QMessageBox::Retry) == QMessageBox::Retry;
}

}  // namespace tagforge::ui
