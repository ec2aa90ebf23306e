// The window on the offscreen platform, driven as a user would drive it.
#include "gui/main_dialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "app/gateway_core.h"
#include "gui/core_thread.h"
#include "gui/dialog_builder.h"
#include "platform/serial_port.h"
#include "platform/udp_socket.h"
#include "proxy/group_value_table.h"
#include "tests/support/event_loop.h"
#include "tests/support/loopback_config.h"
#include "tests/support/tcp_client.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using test::processEventsUntil;

constexpr int kTemplateHeight = 262;  // 161 dialog units
constexpr int kCollapsedHeight = kTemplateHeight - MainDialog::COLLAPSE_PIXELS;

void clickBitmap(QWidget* widget) {
    const QPointF centre(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, widget->mapToGlobal(centre), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

void pressKey(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
}

// What modal window, if any, the action opens; it is closed again at once.
struct ModalSeen {
    QString title;
    QStringList labels;
};
std::optional<ModalSeen> modalOpenedBy(const std::function<void()>& action) {
    std::optional<ModalSeen> seen;
    QTimer::singleShot(0, [&] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!modal) return;
        seen = ModalSeen{modal->windowTitle(), {}};
        for (auto* label : modal->findChildren<QLabel*>()) seen->labels << label->text();
        for (auto* button : modal->findChildren<QPushButton*>()) seen->labels << button->text();
        modal->accept();
    });
    action();
    test::processEventsFor(20ms);
    return seen;
}

class MainDialogTest : public testing::Test {
protected:
    void showAndWaitForCollapse() {
        dialog.show();
        ASSERT_TRUE(processEventsUntil([&] { return dialog.height() == kCollapsedHeight; }, 2s)) << dialog.height();
    }
    QWidget* expandArrow() { return dialog.control(1005); }
    QWidget* collapseArrow() { return dialog.control(1006); }
    QPushButton* proxyButton() { return static_cast<QPushButton*>(dialog.control(1011)); }

    // Waits turn Qt's loop, the window's.
    test::PumpScope pump{[](std::chrono::milliseconds atMost) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents,
                                        static_cast<int>(atMost.count()));
    }};
    MainDialog dialog;
};

TEST_F(MainDialogTest, LayoutFollowsTheTemplateInPixels) {
    EXPECT_EQ(dialog.windowTitle(), "Lintor v03.03");
    EXPECT_EQ(dialog.size(), QSize(267, kTemplateHeight));
    EXPECT_EQ(dialog.control(1)->geometry(), QRect(212, 11, 45, 23));
    EXPECT_EQ(dialog.control(1001)->geometry(), QRect(69, 11, 135, 23));
    EXPECT_EQ(dialog.control(1008)->geometry(), QRect(101, 86, 60, 23));
    EXPECT_EQ(dialog.control(1011)->geometry(), QRect(11, 228, 45, 23));
    EXPECT_EQ(expandArrow()->geometry(), QRect(242, 46, 15, 14));
    EXPECT_EQ(collapseArrow()->geometry(), QRect(242, 242, 15, 14));
    EXPECT_EQ(static_cast<QPushButton*>(dialog.control(1))->text(), "Exit");
    EXPECT_TRUE(static_cast<QPushButton*>(dialog.control(1))->isDefault());
    for (const int field : {1001, 1002, 1004, 1007, 1008, 1009}) {
        EXPECT_EQ(dialog.control(field)->focusPolicy(), Qt::NoFocus) << field;
    }
}

TEST_F(MainDialogTest, CollapsesOnceOnFirstPaintAndArrowsMoveOnlyTheBottomEdge) {
    dialog.move(120, 140);
    showAndWaitForCollapse();
    EXPECT_TRUE(expandArrow()->isVisible());
    EXPECT_FALSE(collapseArrow()->isVisible());
    const QPoint topLeft = dialog.pos();
    const int width = dialog.width();

    dialog.repaint();
    test::processEventsFor(20ms);
    EXPECT_EQ(dialog.height(), kCollapsedHeight);  // later paints do not collapse again

    for (int i = 0; i < 50; ++i) {
        clickBitmap(expandArrow());
        ASSERT_EQ(dialog.height(), kTemplateHeight) << i;
        EXPECT_FALSE(expandArrow()->isVisible());
        EXPECT_TRUE(collapseArrow()->isVisible());
        clickBitmap(collapseArrow());
        ASSERT_EQ(dialog.height(), kCollapsedHeight) << i;
    }
    test::processEventsFor(20ms);
    EXPECT_EQ(dialog.pos(), topLeft);
    EXPECT_EQ(dialog.width(), width);
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());  // never resizable
}

TEST_F(MainDialogTest, CountersAndStatusTextsShowWhatTheyAreGiven) {
    showAndWaitForCollapse();
    dialog.setCounter(CounterField::Duplicates, 12);
    dialog.setCounter(CounterField::AckSent, -3);
    dialog.setStatusText(StatusField::Bcu, "connected to BCU");
    EXPECT_EQ(dialog.fieldText(1009), "12");
    EXPECT_EQ(dialog.fieldText(1004), "-3");
    EXPECT_EQ(dialog.fieldText(1002), "connected to BCU");
    clickBitmap(expandArrow());
    EXPECT_EQ(dialog.fieldText(1009), "12");
}

TEST_F(MainDialogTest, AboutCommandRangeOpensTheGermanAboutBox) {
    showAndWaitForCollapse();
    for (const int id : {0x10, 0x1F}) {
        const auto seen = modalOpenedBy([&] { dialog.systemCommand(id); });
        ASSERT_TRUE(seen) << id;
        EXPECT_EQ(seen->title, QString::fromUtf8("Info über Lintor"));
        EXPECT_TRUE(seen->labels.contains("Lintor Version 1.0"));
        EXPECT_TRUE(seen->labels.contains("OK"));
    }
    EXPECT_FALSE(modalOpenedBy([&] { dialog.systemCommand(0x20); }));
    EXPECT_FALSE(modalOpenedBy([&] { dialog.systemCommand(0xF060); }));

    const auto menu = dialog.createContextMenu();
    ASSERT_FALSE(menu->actions().isEmpty());
    EXPECT_EQ(menu->actions().first()->text(), QString::fromUtf8("Inf&o über Lintor..."));
    EXPECT_TRUE(modalOpenedBy([&] { menu->actions().first()->trigger(); }));
}

TEST_F(MainDialogTest, ProxyButtonTogglesTheTableWindowPlacedAfreshEachTime) {
    GroupValueTable table;
    table.updateGroupValue(0x0A03, -1);
    table.updateGroupValue(0x0001, 7);
    dialog.setGroupValueTable(&table);
    showAndWaitForCollapse();
    ProxyTableDialog& view = dialog.proxyTable();

    proxyButton()->click();
    ASSERT_TRUE(view.isShown());
    const QPoint expected = dialog.mapToGlobal(QPoint(0, 0)) + QPoint(50, -50);
    EXPECT_EQ(view.window()->pos(), expected);
    EXPECT_EQ(view.window()->windowTitle(), "Proxy-Data-Table");
    ASSERT_EQ(view.list()->topLevelItemCount(), 2);
    const QTreeWidgetItem* first = view.list()->topLevelItem(0);
    EXPECT_EQ(first->text(0), "1/2/3");
    EXPECT_EQ(first->text(1), "0");
    EXPECT_EQ(first->text(2), "-1");
    EXPECT_EQ(first->text(3), "1");
    EXPECT_EQ(view.list()->headerItem()->text(3), "Update");
    EXPECT_EQ(view.list()->columnWidth(2), 60);

    view.window()->move(10, 10);
    proxyButton()->click();
    EXPECT_FALSE(view.isShown());
    EXPECT_FALSE(view.hasWindow());
    table.updateGroupValue(0x0002, 9);
    proxyButton()->click();
    ASSERT_TRUE(view.isShown());
    EXPECT_EQ(view.window()->pos(), expected);
    EXPECT_EQ(view.list()->topLevelItemCount(), 3);
}

TEST_F(MainDialogTest, ExitEscapeAndCloseBoxOfTheTableClearTheShownFlag) {
    GroupValueTable table;
    dialog.setGroupValueTable(&table);
    showAndWaitForCollapse();
    ProxyTableDialog& view = dialog.proxyTable();
    const std::vector<std::function<void()>> ways{
        [&] { view.window()->findChild<QPushButton*>()->click(); },
        [&] { pressKey(view.window(), Qt::Key_Escape); },
        [&] { view.window()->close(); },
    };
    for (size_t i = 0; i < ways.size(); ++i) {
        proxyButton()->click();
        ASSERT_TRUE(view.isShown()) << i;
        EXPECT_EQ(view.list()->topLevelItemCount(), 0);
        EXPECT_EQ(view.list()->headerItem()->text(0), "Addr");
        ways[i]();
        EXPECT_FALSE(view.isShown()) << i;
        EXPECT_FALSE(view.hasWindow()) << i;
    }
}

TEST_F(MainDialogTest, EnterEscapeAndExitEndTheModalLoopAndCloseTheTable) {
    GroupValueTable table;
    dialog.setGroupValueTable(&table);
    const std::vector<std::function<void()>> ways{
        [&] { static_cast<QPushButton*>(dialog.control(1))->click(); },
        [&] { pressKey(&dialog, Qt::Key_Escape); },
        [&] { pressKey(&dialog, Qt::Key_Return); },
        [&] { dialog.close(); },
    };
    for (size_t i = 0; i < ways.size(); ++i) {
        QTimer::singleShot(50, [&] {
            proxyButton()->click();
            ways[i]();
        });
        dialog.exec();  // returns once the way has ended the loop
        EXPECT_FALSE(dialog.proxyTable().hasWindow()) << i;
    }
}

// With the composition root and the simulated BCU behind the window.
class MainDialogWithGatewayTest : public MainDialogTest {
protected:
    void SetUp() override {
        sim = bcusim::BcuSimulator::start({}).take();
        QObject::connect(&bridge, &QSocketNotifier::activated, &bridge, [this] { loop->runOnce(0ms); });
        core = std::make_unique<GatewayCore>(*loop, dialog, settings, opener, test::loopbackConfig(sim->devicePath()));
        core->start();
    }

    SystemClock clock;
    std::unique_ptr<EventLoop> loop = test::makeLoop(clock);
    // The core's loop inside Qt's, as the window program runs it.
    QSocketNotifier bridge{loop->fd(), QSocketNotifier::Read};
    std::unique_ptr<bcusim::BcuSimulator> sim;
    MemorySettingsStore settings;
    SerialPortOpener opener;
    std::unique_ptr<GatewayCore> core;
};

TEST_F(MainDialogWithGatewayTest, StartsOfflineWithEmptyCountersUntilTheFirstTick) {
    EXPECT_EQ(dialog.fieldText(1002), "offline..");
    EXPECT_EQ(dialog.fieldText(1001), "waiting..");
    EXPECT_EQ(dialog.fieldText(1004), "0");
    for (const int field : {1007, 1008, 1009}) EXPECT_EQ(dialog.fieldText(field), "") << field;
    showAndWaitForCollapse();
    ASSERT_TRUE(processEventsUntil([&] { return !dialog.fieldText(1009).isEmpty(); }, 2s));
    // On a busy machine the start-up may still run at the first tick.
    EXPECT_TRUE(processEventsUntil([&] { return dialog.fieldText(1002) == "connected to BCU"; }, 5s));
    // The three steps and the read of the BCU's address acknowledged.
    EXPECT_TRUE(processEventsUntil([&] { return dialog.fieldText(1007) == "4"; }, 3s));
    EXPECT_EQ(dialog.control(1002)->toolTip(), "BCU 1.1.250");
}

TEST_F(MainDialogWithGatewayTest, GroupTelegramsRefreshTheOpenTableOthersDoNot) {
    showAndWaitForCollapse();
    ASSERT_TRUE(processEventsUntil([&] { return dialog.fieldText(1002) == "connected to BCU"; }, 5s));
    test::TcpClient client(core->gateway()->port());
    ASSERT_TRUE(processEventsUntil([&] { return core->gateway()->clientCount() == 1; }, 2s));
    proxyButton()->click();
    ProxyTableDialog& view = dialog.proxyTable();
    const int fills = view.fillCount();

    sim->injectIndication({0x29, 0xBC, 0x11, 0x01, 0x11, 0x02, 0x61, 0x43, 0x00});  // not a group telegram
    ASSERT_EQ(client.receive(14, 3s).size(), 14u);
    EXPECT_EQ(view.fillCount(), fills);

    ASSERT_TRUE(sim->injectGroupWrite(0x0A03, 1, 0));
    ASSERT_TRUE(sim->injectGroupWrite(0x1801, 21000, 2));
    ASSERT_EQ(client.receive(14 + 16, 3s).size(), 30u);
    EXPECT_EQ(view.fillCount(), fills + 2);
    ASSERT_EQ(view.list()->topLevelItemCount(), 2);
    EXPECT_EQ(view.list()->topLevelItem(1)->text(0), "3/0/1");
    EXPECT_EQ(view.list()->topLevelItem(1)->text(2), "21000");

    // The one-second ProxyInfo tick does not refresh the view.
    test::TcpClient proxyClient(core->proxy()->port());
    ASSERT_TRUE(processEventsUntil([&] { return core->proxy()->table().entry(0).updateFlag == 0; }, 3s));
    EXPECT_EQ(view.list()->topLevelItem(0)->text(3), "1");
}

TEST_F(MainDialogWithGatewayTest, TunnelsShowInTheSocketFieldInItsShortForm) {
    ASSERT_TRUE(processEventsUntil([&] { return dialog.fieldText(1002) == "connected to BCU"; }, 5s));
    ASSERT_TRUE(core->knxip() && core->knxip()->listening());
    const UniqueFd client = bindUdp("127.0.0.1", 0).take();
    const uint8_t connect[] = {0x06, 0x10, 0x02, 0x05, 0x00, 0x1A, 0x08, 0x01, 0, 0,    0,    0,    0,
                               0,    0x08, 0x01, 0,    0,    0,    0,    0,    0, 0x04, 0x04, 0x02, 0x00};
    ASSERT_TRUE(sendDatagram(client.get(), {0x7F000001, core->knxip()->port()}, connect).ok());
    EXPECT_TRUE(processEventsUntil([&] { return dialog.fieldText(1001) == "tunnel 1 connected.."; }, 2s))
        << dialog.fieldText(1001).toStdString();
    const uint8_t disconnect[] = {0x06, 0x10, 0x02, 0x09, 0x00, 0x10, 0x01, 0x00, 0x08, 0x01, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(sendDatagram(client.get(), {0x7F000001, core->knxip()->port()}, disconnect).ok());
    EXPECT_TRUE(processEventsUntil([&] { return dialog.fieldText(1001) == "tunnel 1 closed"; }, 2s))
        << dialog.fieldText(1001).toStdString();
}

}  // namespace
}  // namespace lintor

namespace lintor {
namespace {

TEST_F(MainDialogTest, CoreOnItsOwnThreadWritesToTheWindowInOrderAndShowsACopyOfTheTable) {
    SystemClock clock;
    const auto loop = test::makeLoop(clock);
    GroupValueTable table;  // the core's, touched on its thread only
    UserInterface* ui = nullptr;
    std::thread::id coreThread;
    bool finished = false;
    CoreThread core(
        dialog, *loop,
        [&](UserInterface& coreUi) {
            ui = &coreUi;
            coreThread = std::this_thread::get_id();
            coreUi.setStatusText(StatusField::Bcu, "reset..");
            coreUi.setStatusText(StatusField::Bcu, "connected to BCU");
            table.updateGroupValue(0x0A03, 1);
            coreUi.setGroupValueTable(&table);
        },
        [&] { finished = true; });
    showAndWaitForCollapse();
    ASSERT_TRUE(processEventsUntil([&] { return dialog.fieldText(1002) == "connected to BCU"; }, 2s));

    proxyButton()->click();
    ProxyTableDialog& view = dialog.proxyTable();
    ASSERT_TRUE(processEventsUntil([&] { return view.list()->topLevelItemCount() == 1; }, 2s));
    loop->post([&] {
        table.updateGroupValue(0x0A04, 7);
        if (ui->isTableShown()) ui->fillTable();
    });
    ASSERT_TRUE(processEventsUntil([&] { return view.list()->topLevelItemCount() == 2; }, 2s));
    EXPECT_EQ(view.list()->topLevelItem(1)->text(2), "7");

    core.stop();
    EXPECT_TRUE(finished);
    EXPECT_NE(coreThread, std::this_thread::get_id());
}

}  // namespace
}  // namespace lintor
