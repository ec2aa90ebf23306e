#include "gui/proxy_table_dialog.h"

#include <QCloseEvent>
#include <QPushButton>
#include <QTreeWidget>

#include <array>

#include "gui/dialog_builder.h"
#include "proxy/group_value_table.h"
#include "proxy/proxy_protocol.h"

namespace lintor {
namespace {

struct Column {
    const char* heading;
    int width;
};
constexpr std::array<Column, 4> kColumns{{{"Addr", 50}, {"Type", 50}, {"Value", 60}, {"Update", 50}}};
// Offset of the window from its template position, in pixels.
constexpr QPoint kPlacementOffset{50, -50};

// Exit, Escape and the close box all end in the owner's destroyWindow.
class ProxyTableWindow final : public QDialog {
public:
    ProxyTableWindow(QWidget* parent, ProxyTableDialog& owner) : QDialog(parent), owner_(owner) {}
    void accept() override { owner_.destroyWindow(); }
    void reject() override { owner_.destroyWindow(); }

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        owner_.destroyWindow();
    }

private:
    ProxyTableDialog& owner_;
};

}  // namespace

ProxyTableDialog::~ProxyTableDialog() { delete window_.data(); }

void ProxyTableDialog::show() {
    auto* window = new ProxyTableWindow(parent_, *this);
    window_ = window;
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    setUpDialogWindow(*window, proxyTableTemplate);
    const auto controls = buildControls(proxyTableTemplate, window);
    list_ = static_cast<QTreeWidget*>(controls.at(control_id::PROXY_LIST));
    auto* exit = static_cast<QPushButton*>(controls.at(control_id::OK));
    QObject::connect(exit, &QPushButton::clicked, window, [this] { destroyWindow(); });

    // The template places the window at the parent's client origin.
    const QPoint templatePosition = parent_ ? parent_->mapToGlobal(QPoint(0, 0)) : QPoint(0, 0);
    window->move(templatePosition + kPlacementOffset);

    list_->setColumnCount(static_cast<int>(kColumns.size()));
    QStringList headings;
    for (const Column& column : kColumns) headings << column.heading;
    list_->setHeaderLabels(headings);
    for (size_t i = 0; i < kColumns.size(); ++i) list_->setColumnWidth(static_cast<int>(i), kColumns[i].width);

    fillTable();
    window->show();
    shown_ = 1;
    if (shownChanged_) shownChanged_(true);
}

void ProxyTableDialog::fillTable() {
    ++fillCount_;
    if (!list_) return;
    list_->clear();
    if (!table_) return;
    QList<QTreeWidgetItem*> rows;
    for (uint16_t i = 0; i < table_->count(); ++i) {
        const GroupValueEntry& entry = table_->entry(i);
        rows << new QTreeWidgetItem(QStringList{QString::fromStdString(formatGroupAddress(entry.groupAddress)),
                                                QString::number(entry.typeCode), QString::number(entry.value),
                                                QString::number(entry.updateFlag)});
    }
    list_->addTopLevelItems(rows);
}

void ProxyTableDialog::destroyWindow() {
    if (shown_ != 0 && shownChanged_) shownChanged_(false);
    shown_ = 0;
    list_ = nullptr;
    if (window_) {
        window_->hide();
        window_->deleteLater();
        window_ = nullptr;
    }
}

}  // namespace lintor
