#pragma once

#include <QDialog>
#include <QPointer>

#include <cstdint>
#include <functional>

class QTreeWidget;

namespace lintor {

class GroupValueTable;

// "Proxy-Data-Table": the group value table in a modeless window. The object
// lives as long as the main window; its window comes and goes with the
// "Proxy" button, "Exit", Escape and the close box.
class ProxyTableDialog {
public:
    explicit ProxyTableDialog(QWidget* parent) : parent_(parent) {}
    ~ProxyTableDialog();
    ProxyTableDialog(const ProxyTableDialog&) = delete;
    ProxyTableDialog& operator=(const ProxyTableDialog&) = delete;

    void setTable(const GroupValueTable* table) { table_ = table; }
    // Told whenever the window is shown or gone.
    void setShownChanged(std::function<void(bool shown)> changed) { shownChanged_ = std::move(changed); }

    bool isShown() const { return shown_; }
    bool hasWindow() const { return window_ != nullptr; }
    // Creates the window 50 px right of and 50 px above its template
    // position, fills it and marks it shown.
    void show();
    // Rebuilds every row from the table.
    void fillTable();
    // Clears the shown flag and closes the window.
    void destroyWindow();

    QWidget* window() const { return window_; }
    QTreeWidget* list() const { return list_; }
    int fillCount() const { return fillCount_; }

private:
    QWidget* parent_;
    const GroupValueTable* table_ = nullptr;
    QPointer<QDialog> window_;
    QTreeWidget* list_ = nullptr;
    int32_t shown_ = 0;
    std::function<void(bool shown)> shownChanged_;
    int fillCount_ = 0;
};

}  // namespace lintor
