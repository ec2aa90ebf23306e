#include "gui/about_dialog.h"

#include <QPushButton>

#include "gui/dialog_builder.h"

namespace lintor {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setUpDialogWindow(*this, aboutDialogTemplate);
    const auto controls = buildControls(aboutDialogTemplate, this);
    auto* ok = static_cast<QPushButton*>(controls.at(control_id::OK));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();
}

}  // namespace lintor
