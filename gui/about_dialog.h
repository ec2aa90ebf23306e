#pragma once

#include <QDialog>

namespace lintor {

// "Info über Lintor": the icon, the version line and "OK". Enter, Escape,
// "OK" and the close box all close it.
class AboutDialog final : public QDialog {
public:
    explicit AboutDialog(QWidget* parent);
};

}  // namespace lintor
