#include "app/about_dialog.h"

#include <QPushButton>

#include "app/dialog_builder.h"

namespace lintor {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setFont(templateFont());
    setWindowTitle(QString::fromUtf8(aboutDialogTemplate.caption.data(),
                                     static_cast<qsizetype>(aboutDialogTemplate.caption.size())));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(dialogSize(aboutDialogTemplate));
    const auto controls = buildControls(aboutDialogTemplate, this);
    auto* ok = static_cast<QPushButton*>(controls.at(control_id::OK));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();
}

}  // namespace lintor
