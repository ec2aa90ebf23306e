#pragma once

#include <QDialog>
#include <QIcon>

#include <functional>
#include <map>
#include <memory>

#include "app/user_interface.h"
#include "gui/proxy_table_dialog.h"

class QLineEdit;
class QMenu;

namespace lintor {

// The main window: two status fields, four counters, the arrows that expand
// and collapse it, "Proxy" and "Exit". It shows what the composition root
// writes to it and routes nothing itself.
class MainDialog final : public QDialog, public UserInterface {
public:
    // Pixels the window loses when collapsed, whatever the font.
    static constexpr int COLLAPSE_PIXELS = 193;
    static constexpr int ABOUT_COMMAND = 0x10;

    explicit MainDialog(QWidget* parent = nullptr);
    ~MainDialog() override;

    void setStatusText(StatusField field, const std::string& text) override;
    void setCounter(CounterField field, int32_t value) override;
    void showMessage(const std::string& text) override;
    // On the BCU field, for whoever points at it.
    void showBcuAddress(const std::string& address) override;
    void setGroupValueTable(const GroupValueTable* table) override;
    bool isTableShown() const override { return proxyTable_.isShown(); }
    void fillTable() override { proxyTable_.fillTable(); }

    void expand();
    void collapse();
    // The system-menu route: ids 0x10 to 0x1F open the About box.
    void systemCommand(int id);
    void toggleProxyTable();
    // Told whenever the table window is shown or gone.
    void setTableShownChanged(std::function<void(bool shown)> changed) {
        proxyTable_.setShownChanged(std::move(changed));
    }
    // The window's context menu; its first item is the About command.
    std::unique_ptr<QMenu> createContextMenu();
    // Ends the modal loop; the table window goes with the main window.
    void done(int result) override;

    QWidget* control(int id) const;
    QString fieldText(int id) const;
    ProxyTableDialog& proxyTable() { return proxyTable_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void resizeBottomEdge(int pixels);

    std::map<int, QWidget*> controls_;
    QIcon icon_;
    bool collapsePending_ = true;
    ProxyTableDialog proxyTable_;
};

}  // namespace lintor
