#include "ui/ui_style.h"

#include <QKeyEvent>

#include "harmony/display_width.h"
#include "progression/display_layout.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QPalette>
#include <QScreen>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTranslator>

#include <cstdio>

namespace {

constexpr int kPixelSize = 12;

QFont FontOf(const QStringList& Families) {
    QFont Font;
    Font.setFamilies(Families);
    Font.setPixelSize(kPixelSize);
    Font.setStyleHint(QFont::TypeWriter);
    return Font;
}

bool GivesEveryCharacterItsColumns(const QString& Family, const std::string& Characters) {
    // Asked of the font database first: a family that is not there would otherwise load a
    // stand-in font only to be told apart from it, a millisecond at start-up each.
    if (!QFontDatabase::hasFamily(Family)) {
        return false;
    }
    QFont Font = FontOf({Family});
    Font.setStyleStrategy(QFont::NoFontMerging);
    if (QFontInfo(Font).family().compare(Family, Qt::CaseInsensitive) != 0) {
        return false; // another family stood in for it
    }
    const QFontMetricsF Metrics(Font);
    const qreal Cell = Metrics.horizontalAdvance(QLatin1Char(' '));
    for (std::size_t At = 0; At < Characters.size(); At += CharacterLength(Characters, At)) {
        const QString Character =
            QString::fromStdString(Characters.substr(At, CharacterLength(Characters, At)));
        const uint Code = Character.toUcs4().value(0);
        if (!Metrics.inFontUcs4(Code) ||
            Metrics.horizontalAdvance(Character) != CharacterWidth(Characters[At]) * Cell) {
            return false;
        }
    }
    return true;
}

QFont ChooseDisplayFont() {
    const std::optional<QString> Family = FindCellFamily(DisplayFamilies(), DisplayedCharacters());
    if (!Family) {
        std::fprintf(stderr,
                     "kadenzo: 和音名と度数がそろう和文フォント (%s) が見つかりません。"
                     "fonts-ipafont-mincho を入れてください。\n",
                     DisplayFamilies().join(QStringLiteral(", ")).toStdString().c_str());
        return FontOf(DisplayFamilies());
    }
    return FontOf({*Family});
}

} // namespace

QStringList DisplayFamilies() {
    return {QStringLiteral("ＭＳ 明朝"),
            QStringLiteral("MS Mincho"),
            QStringLiteral("IPAMincho"),
            QStringLiteral("IPAGothic"),
            QStringLiteral("TakaoMincho"),
            QStringLiteral("TakaoGothic"),
            QStringLiteral("Noto Sans Mono CJK JP")};
}

std::optional<QString> FindCellFamily(const QStringList& Families, const std::string& Characters) {
    for (const QString& Family : Families) {
        if (GivesEveryCharacterItsColumns(Family, Characters)) {
            return Family;
        }
    }
    return std::nullopt;
}

QFont KadenzoFont() {
    static const QFont Chosen = ChooseDisplayFont();
    return Chosen;
}

void MakePlainDialog(QDialog& Dialog) {
    Dialog.setFont(KadenzoFont());
    for (QAbstractButton* Button : Dialog.findChildren<QAbstractButton*>()) {
        Button->setIcon(QIcon());
    }
}

bool PlayWindowKey(QWidget& Window, QEvent& Event, const std::function<bool(QEvent&)>& PlayKey) {
    const QEvent::Type Type = Event.type();
    if (Type != QEvent::KeyPress && Type != QEvent::KeyRelease &&
        Type != QEvent::ShortcutOverride) {
        return false;
    }
    if (static_cast<QKeyEvent&>(Event).key() == Qt::Key_Escape) {
        if (Type == QEvent::KeyPress) {
            Window.close();
        }
        return true;
    }
    PlayKey(Event);
    return true;
}

QIcon KadenzoIcon() {
    return QIcon(QStringLiteral(":/kadenzo/kadenzo.svg"));
}

QColor PaperColour() {
    return {255, 255, 224};
}

namespace {

void SetDialogFrame(QWidget& Window, QColor Background, TWindowRole Role, Qt::WindowFlags Extra) {
    // A dialog-typed main window would be kept off the taskbar by some desktops, and Qt makes
    // a parentless dialog transient for its hidden group leader.
    const Qt::WindowType Type = Role == TWindowRole::Main ? Qt::Window : Qt::Dialog;
    Window.setWindowFlags(Type | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Extra);
    Window.setFont(KadenzoFont());
    QPalette Palette = Window.palette();
    Palette.setColor(QPalette::Window, Background);
    Window.setPalette(Palette);
    Window.setAutoFillBackground(true);
}

} // namespace

void MakeDialogFrame(QWidget& Window, QColor Background, TWindowRole Role) {
    SetDialogFrame(Window, Background, Role, {});
}

void MakeFixedDialogFrame(QWidget& Window, QSize ClientSize, QColor Background, TWindowRole Role) {
    SetDialogFrame(Window, Background, Role, Qt::MSWindowsFixedSizeDialogHint);
    Window.setFixedSize(ClientSize);
}

void SetCellLines(QTextEdit& Field) {
    constexpr int kCellHeight = 12;
    Field.document()->setDocumentMargin(2);
    QTextCursor All(Field.document());
    All.select(QTextCursor::Document);
    QTextBlockFormat Format;
    Format.setLineHeight(kCellHeight, QTextBlockFormat::FixedHeight);
    All.mergeBlockFormat(Format);
}

void ShowInFront(QWidget& Window) {
    if (!Window.isVisible()) {
        if (const QScreen* Screen = QGuiApplication::primaryScreen()) {
            Window.move(Screen->availableGeometry().center() - Window.rect().center());
        }
        Window.show();
    }
    Window.raise();
    Window.activateWindow();
}

void InstallQtJapanese(QCoreApplication& Application) {
    // Owned by the application, which keeps it installed for its whole life.
    auto* Translation = new QTranslator(&Application);
    if (Translation->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(Translation);
    } else {
        std::fprintf(stderr, "kadenzo: Qt の日本語訳 (qt6-translations-l10n) がありません。\n");
    }
}
