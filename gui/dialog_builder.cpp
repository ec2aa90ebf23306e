#include "gui/dialog_builder.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>

#include <cmath>

// Resources of a static library must be registered by hand.
static void registerResources() { Q_INIT_RESOURCE(lintor); }

namespace lintor {
namespace {

using namespace control_style;

// Base units of the template font: 6 x 13 pixels per 4 x 8 dialog units.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;
constexpr int kFontPixelHeight = 11;

int mulDiv(int value, int numerator, int denominator) {
    return static_cast<int>(std::lround(static_cast<double>(value) * numerator / denominator));
}

QWidget* makePushButton(const TemplateControl& item, QWidget* parent) {
    auto* button = new QPushButton(toQString(item.text), parent);
    button->setDefault(item.style & DEFAULT_BUTTON);
    button->setAutoDefault(false);
    button->setFocusPolicy((item.style & TAB_STOP) ? Qt::StrongFocus : Qt::NoFocus);
    return button;
}

QWidget* makeEdit(const TemplateControl& item, QWidget* parent) {
    auto* edit = new QLineEdit(toQString(item.text), parent);
    edit->setReadOnly(item.style & READ_ONLY);
    edit->setFrame(item.style & BORDER);
    // Read-only fields are neither in the tab order nor white, as on the
    // platform the program comes from.
    edit->setFocusPolicy(Qt::NoFocus);
    if (item.style & READ_ONLY) {
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        edit->setPalette(palette);
    }
    return edit;
}

QWidget* makeLabel(const TemplateControl& item, QWidget* parent) {
    auto* label = new QLabel(toQString(item.text), parent);
    label->setTextFormat(Qt::PlainText);
    Qt::Alignment alignment = (item.style & CENTER) ? Qt::AlignHCenter : Qt::AlignLeft;
    alignment |= (item.style & CENTER_VERTICALLY) ? Qt::AlignVCenter : Qt::AlignTop;
    label->setAlignment(alignment);
    if (item.style & STATIC_EDGE) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
}

QWidget* makeIcon(const TemplateControl& item, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(QPixmap(toQString(item.text)));
    return label;
}

QWidget* makeListView(const TemplateControl&, QWidget* parent) {
    auto* list = new QTreeWidget(parent);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSortingEnabled(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->setStretchLastSection(false);
    list->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return list;
}

QWidget* makeControl(const TemplateControl& item, QWidget* parent) {
    switch (item.kind) {
    case ControlKind::PushButton:
        return makePushButton(item, parent);
    case ControlKind::Edit:
        return makeEdit(item, parent);
    case ControlKind::Label:
        return makeLabel(item, parent);
    case ControlKind::Bitmap:
        return new ClickableLabel(QPixmap(toQString(item.text)), parent);
    case ControlKind::Icon:
        return makeIcon(item, parent);
    case ControlKind::ListView:
        return makeListView(item, parent);
    }
    return nullptr;
}

}  // namespace

QString toQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

void setUpDialogWindow(QWidget& window, const DialogTemplate& dialog, Qt::WindowFlags extra) {
    window.setFont(templateFont());
    window.setWindowTitle(toQString(dialog.caption));
    const Qt::WindowFlags type = (extra & Qt::WindowType_Mask) ? (extra & Qt::WindowType_Mask) : Qt::Dialog;
    window.setWindowFlags(type | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | (extra & ~Qt::WindowType_Mask));
    window.setFixedSize(dialogSize(dialog));
}

int dialogUnitsToPixelsX(int units) { return mulDiv(units, kBaseUnitX, 4); }
int dialogUnitsToPixelsY(int units) { return mulDiv(units, kBaseUnitY, 8); }

QRect dialogUnitsToPixels(int x, int y, int width, int height) {
    return {dialogUnitsToPixelsX(x), dialogUnitsToPixelsY(y), dialogUnitsToPixelsX(width),
            dialogUnitsToPixelsY(height)};
}

QSize dialogSize(const DialogTemplate& dialog) {
    return {dialogUnitsToPixelsX(dialog.width), dialogUnitsToPixelsY(dialog.height)};
}

QFont templateFont() {
    // DejaVu Sans Condensed comes close to the widths the template was laid
    // out for; the plain face is wider and clips the longer labels.
    QFont font("DejaVu Sans");
    font.setStyleHint(QFont::SansSerif);
    font.setStretch(QFont::SemiCondensed);
    font.setPixelSize(kFontPixelHeight);
    return font;
}

ClickableLabel::ClickableLabel(QPixmap pixmap, QWidget* parent) : QWidget(parent), pixmap_(std::move(pixmap)) {
    setCursor(Qt::PointingHandCursor);
}

void ClickableLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, pixmap_);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick_) onClick_();
}

std::map<int, QWidget*> buildControls(const DialogTemplate& dialog, QWidget* parent) {
    static const bool registered = (registerResources(), true);
    (void)registered;
    std::map<int, QWidget*> controls;
    for (const TemplateControl& item : dialog.controls) {
        QWidget* widget = makeControl(item, parent);
        QRect geometry = dialogUnitsToPixels(item.x, item.y, item.width, item.height);
        // Bitmap and icon statics take the size of their image.
        if (item.kind == ControlKind::Bitmap || item.kind == ControlKind::Icon) {
            const QPixmap image(toQString(item.text));
            geometry.setSize(image.size());
        }
        widget->setGeometry(geometry);
        if (item.id != NO_ID) controls[item.id] = widget;
    }
    return controls;
}

}  // namespace lintor
