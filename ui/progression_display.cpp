#include "ui/progression_display.h"

#include "harmony/display_width.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace {

// The rows and the margin of the text control this display stands in for.
constexpr int kMargin = 2;
constexpr int kRowHeight = 12;

int ToInt(std::size_t Value) {
    return static_cast<int>(std::min<std::size_t>(Value, INT_MAX / 64));
}

std::size_t ToColumn(double Value) {
    return Value <= 0 ? 0 : static_cast<std::size_t>(Value);
}

} // namespace

TProgressionDisplay::TProgressionDisplay(TDisplayLines& Lines, QWidget* Parent)
    : QAbstractScrollArea(Parent), Lines(Lines) {
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    Lines.SetListener(this);
}

TProgressionDisplay::~TProgressionDisplay() {
    Lines.SetListener(nullptr);
}

// Measured when first needed, which is after the window is on the screen: loading the font
// need not delay it.
const TProgressionDisplay::TCells& TProgressionDisplay::Cells() const {
    if (!Measured) {
        const QFontMetricsF Metrics(font());
        // A full-width character takes exactly two cells, whatever the font makes of it.
        const double Half = std::max(Metrics.horizontalAdvance(QLatin1Char('0')),
                                     Metrics.horizontalAdvance(QChar(0xFF23)) / 2);
        Measured = TCells{std::max(static_cast<int>(std::ceil(Half)), 1),
                          static_cast<int>(std::ceil(Metrics.ascent()))};
    }
    return *Measured;
}

int TProgressionDisplay::ContentLeft() const {
    return kMargin - horizontalScrollBar()->value();
}

QRect TProgressionDisplay::CellRect(int Line, int Column) const {
    return {ContentLeft() + Column * Cells().Width, kMargin + Line * kRowHeight, Cells().Width,
            kRowHeight};
}

void TProgressionDisplay::UpdateScrollRange() {
    const int Content = ToInt(Lines.MaxWidth()) * Cells().Width + 2 * kMargin;
    const int View = viewport()->width();
    horizontalScrollBar()->setRange(0, std::max(0, Content - View));
    horizontalScrollBar()->setPageStep(View);
    horizontalScrollBar()->setSingleStep(Cells().Width);
}

// The newest text is at the end of the widest line: keep that end in view, scrolling no
// further than needed. (Text cut shorter brings the scroll range, and so the view, along.)
void TProgressionDisplay::FollowNewestText() {
    const int End = ToInt(Lines.MaxWidth()) * Cells().Width + 2 * kMargin;
    const int View = viewport()->width();
    QScrollBar& Bar = *horizontalScrollBar();
    if (End > Bar.value() + View) {
        Bar.setValue(End - View);
    }
}

void TProgressionDisplay::LineChanged(int) {
    UpdateScrollRange();
    FollowNewestText();
    viewport()->update();
}

void TProgressionDisplay::LinesReset() {
    Anchor.reset();
    Extent.reset();
    Selecting = false;
    LineChanged(0);
}

void TProgressionDisplay::resizeEvent(QResizeEvent* Event) {
    QAbstractScrollArea::resizeEvent(Event);
    if (Measured) { // until the first lines come there is nothing to scroll
        UpdateScrollRange();
    }
}

void TProgressionDisplay::changeEvent(QEvent* Event) {
    QAbstractScrollArea::changeEvent(Event);
    if (Event->type() == QEvent::FontChange) {
        Measured.reset();
        UpdateScrollRange();
        viewport()->update();
    }
}

void TProgressionDisplay::paintEvent(QPaintEvent* Event) {
    QPainter Painter(viewport());
    const QRect Area = Event->rect();
    const int Scroll = horizontalScrollBar()->value();
    const std::size_t From =
        ToColumn(static_cast<double>(Scroll + Area.left() - kMargin) / Cells().Width);
    const std::size_t To =
        ToColumn(static_cast<double>(Scroll + Area.right() - kMargin) / Cells().Width) + 2;
    for (int Line = 0; Line < Lines.Count(); ++Line) {
        PaintLine(Painter, Line, From, To);
    }
}

void TProgressionDisplay::PaintLine(QPainter& Painter, int Line, std::size_t From, std::size_t To) {
    const TLineSlice Slice = Lines.Slice(Line, From, To);
    const QPalette& Colours = palette();
    std::size_t Column = Slice.Start;
    for (std::size_t At = 0; At < Slice.Text.size();) {
        const std::size_t Length = CharacterLength(Slice.Text, At);
        const std::size_t Width = CharacterWidth(Slice.Text[At]);
        QRect Cell = CellRect(Line, ToInt(Column));
        Cell.setWidth(ToInt(Width) * Cells().Width);
        const bool Selected = IsSelected({Line, Column});
        if (Selected) {
            Painter.fillRect(Cell, Colours.color(QPalette::Highlight));
        }
        if (Slice.Text[At] != ' ') {
            Painter.setPen(Colours.color(Selected ? QPalette::HighlightedText : QPalette::Text));
            Painter.drawText(QPointF(Cell.left(), Cell.top() + Cells().Ascent),
                             QString::fromUtf8(Slice.Text.data() + At, static_cast<int>(Length)));
        }
        Column += Width;
        At += Length;
    }
}

QString TProgressionDisplay::Columns(int Line, std::size_t From, std::size_t To) const {
    if (To <= From) {
        return {};
    }
    const std::string_view Text = Lines.Slice(Line, From, To).Text;
    return QString::fromUtf8(Text.data(), static_cast<int>(Text.size()));
}

QString TProgressionDisplay::LineText(int Line) const {
    return QString::fromStdString(Lines.Get(Line));
}

QString TProgressionDisplay::Text() const {
    QStringList All;
    for (int Line = 0; Line < Lines.Count(); ++Line) {
        All << LineText(Line);
    }
    return All.join(QLatin1Char('\n'));
}

QString TProgressionDisplay::SelectedText() const {
    if (!Anchor || !Extent) {
        return {};
    }
    const TPlace First = std::min(*Anchor, *Extent);
    const TPlace Last = std::max(*Anchor, *Extent);
    QStringList Parts;
    for (int Line = First.Line; Line <= Last.Line; ++Line) {
        const std::size_t From = Line == First.Line ? First.Column : 0;
        const std::size_t To = Line == Last.Line ? Last.Column : Lines.Width(Line);
        Parts << Columns(Line, From, To);
    }
    return Parts.join(QLatin1Char('\n'));
}

void TProgressionDisplay::SelectAll() {
    Anchor = TPlace{0, 0};
    Extent = TPlace{Lines.Count() - 1, Lines.Width(Lines.Count() - 1)};
    CopyToSelectionClipboard();
    viewport()->update();
}

bool TProgressionDisplay::IsSelected(TPlace Place) const {
    if (!Anchor || !Extent) {
        return false;
    }
    const TPlace First = std::min(*Anchor, *Extent);
    const TPlace Last = std::max(*Anchor, *Extent);
    return !(Place < First) && Place < Last;
}

// The boundary between characters nearest to Point.
TProgressionDisplay::TPlace TProgressionDisplay::PlaceAt(QPoint Point) const {
    const int Line =
        std::clamp((Point.y() - kMargin) / kRowHeight, 0, std::max(0, Lines.Count() - 1));
    const double Across = static_cast<double>(Point.x() - ContentLeft()) / Cells().Width;
    const std::size_t Nearest = std::min(ToColumn(std::round(Across)), Lines.Width(Line));
    const std::size_t Start = Lines.Slice(Line, Nearest, Nearest + 1).Start;
    if (Start < Nearest && Start < Lines.Width(Line)) { // inside a full-width character
        return {Line, Across < static_cast<double>(Start) + 1 ? Start : Start + 2};
    }
    return {Line, Nearest};
}

void TProgressionDisplay::mousePressEvent(QMouseEvent* Event) {
    if (Event->button() != Qt::LeftButton) {
        return;
    }
    Anchor = PlaceAt(Event->position().toPoint());
    Extent = Anchor;
    Selecting = true;
    viewport()->update();
}

void TProgressionDisplay::mouseMoveEvent(QMouseEvent* Event) {
    if (Selecting) {
        Extent = PlaceAt(Event->position().toPoint());
        viewport()->update();
    }
}

void TProgressionDisplay::mouseReleaseEvent(QMouseEvent* Event) {
    if (Selecting && Event->button() == Qt::LeftButton) {
        Extent = PlaceAt(Event->position().toPoint());
        Selecting = false;
        CopyToSelectionClipboard();
        viewport()->update();
    }
}

void TProgressionDisplay::mouseDoubleClickEvent(QMouseEvent* Event) {
    mousePressEvent(Event);
}

void TProgressionDisplay::CopyToSelectionClipboard() const {
    QClipboard* Clipboard = QApplication::clipboard();
    const QString Selected = SelectedText();
    if (Clipboard->supportsSelection() && !Selected.isEmpty()) {
        Clipboard->setText(Selected, QClipboard::Selection);
    }
}

void TProgressionDisplay::contextMenuEvent(QContextMenuEvent* Event) {
    QMenu Menu(this);
    QAction* Copy = Menu.addAction(QStringLiteral("コピー"), this,
                                   [this] { QApplication::clipboard()->setText(SelectedText()); });
    Copy->setEnabled(!SelectedText().isEmpty());
    Menu.addAction(QStringLiteral("すべて選択"), this, [this] { SelectAll(); });
    if (!MenuActions.isEmpty()) {
        Menu.addSeparator();
        Menu.addActions(MenuActions);
    }
    Menu.exec(Event->globalPos());
}
