#include "ui/music_font.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QTransform>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

// LilyPond's names of the glyphs, in the order of TMusicGlyph.
constexpr const char* kGlyphNames[mgCount] = {
    "clefs.G",
    "clefs.F",
    "noteheads.s0",
    "accidentals.sharp",
    "accidentals.flat",
    "accidentals.natural",
    "accidentals.doublesharp",
    "accidentals.flatflat",
};

// The staff heights, in points, that Emmentaler's optical sizes are drawn for: a smaller staff
// takes heavier lines so that it reads as well.
constexpr int kDesignSizes[] = {11, 13, 14, 16, 18, 20, 23, 26};

using FreeTypeLibrary = std::unique_ptr<FT_LibraryRec_, decltype(&FT_Done_FreeType)>;
using FreeTypeFace = std::unique_ptr<FT_FaceRec_, decltype(&FT_Done_Face)>;

// The index of each of Names in the font at Path, 0 (the font's "no glyph") for a name it lacks
// or for every name when the file cannot be read.
std::vector<quint32> GlyphIndexes(const QString& Path, const std::vector<std::string>& Names) {
    std::vector<quint32> Indexes(Names.size(), 0);
    FT_Library RawLibrary = nullptr;
    if (FT_Init_FreeType(&RawLibrary) != 0) {
        return Indexes;
    }
    const FreeTypeLibrary Library(RawLibrary, &FT_Done_FreeType);
    FT_Face RawFace = nullptr;
    if (FT_New_Face(RawLibrary, QFile::encodeName(Path).constData(), 0, &RawFace) != 0) {
        return Indexes;
    }
    const FreeTypeFace Face(RawFace, &FT_Done_Face);
    for (std::size_t i = 0; i < Names.size(); ++i) {
        Indexes[i] = FT_Get_Name_Index(RawFace, Names[i].c_str());
    }
    return Indexes;
}

void Fill(QPainter& Painter, const QPainterPath& Outline, QPointF Origin, QColor Ink = Qt::black) {
    const bool Smooth = Painter.testRenderHint(QPainter::Antialiasing);
    Painter.setRenderHint(QPainter::Antialiasing, true);
    Painter.translate(Origin);
    Painter.fillPath(Outline, Ink);
    Painter.translate(-Origin);
    Painter.setRenderHint(QPainter::Antialiasing, Smooth);
}

// The design size nearest a staff of Space pixels, taking a pixel as Qt's logical 1/96 inch.
int DesignSizeFor(int Space) {
    const double Points = 4 * Space * 72.0 / 96.0;
    int Best = kDesignSizes[0];
    for (const int Size : kDesignSizes) {
        if (std::abs(std::log(Size / Points)) < std::abs(std::log(Best / Points))) {
            Best = Size;
        }
    }
    return Best;
}

} // namespace

QString TMusicFont::FontFolder() {
    // lilypond-fonts keeps its files under its version's folder; the newest one present wins.
    const QDir Root(QStringLiteral("/usr/share/lilypond"));
    const QStringList Versions =
        Root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QString& Version : Versions) {
        const QString Folder = Root.filePath(Version + QStringLiteral("/fonts/otf"));
        if (QFileInfo::exists(Folder + QStringLiteral("/emmentaler-brace.otf"))) {
            return Folder;
        }
    }
    return {};
}

TMusicFont::TMusicFont(int Space, qreal BraceHeight) {
    const QString Folder = FontFolder();
    const QString GlyphsPath =
        Folder + QStringLiteral("/emmentaler-%1.otf").arg(DesignSizeFor(Space));
    const QString BracesPath = Folder + QStringLiteral("/emmentaler-brace.otf");
    const qreal StaffHeight = 4 * Space;
    const QRawFont Glyphs(GlyphsPath, StaffHeight, QFont::PreferNoHinting);
    const std::vector<quint32> Indexes = GlyphIndexes(
        GlyphsPath, std::vector<std::string>(std::begin(kGlyphNames), std::end(kGlyphNames)));
    bool Found = !Folder.isEmpty() && Glyphs.isValid();
    for (int g = 0; g < mgCount && Found; ++g) {
        Found = Indexes[static_cast<std::size_t>(g)] != 0;
    }
    // The braces come in hundreds of heights: the nearest is scaled to the system's height.
    std::vector<std::string> BraceNames;
    const QRawFont Braces(BracesPath, StaffHeight, QFont::PreferNoHinting);
    for (int i = 0; Found && Braces.isValid() && i < 1000; ++i) {
        BraceNames.push_back("brace" + std::to_string(i));
    }
    const std::vector<quint32> BraceIndexes = GlyphIndexes(BracesPath, BraceNames);
    quint32 Brace = 0;
    qreal BraceAt = 0;
    for (const quint32 Index : BraceIndexes) {
        const qreal Height = Index == 0 ? 0 : Braces.pathForGlyph(Index).boundingRect().height();
        if (Index == 0 ||
            (Brace != 0 && std::abs(Height - BraceHeight) > std::abs(BraceAt - BraceHeight))) {
            break;
        }
        Brace = Index;
        BraceAt = Height;
    }
    if (!Found || Brace == 0) {
        std::fprintf(stderr,
                     "kadenzo: 譜表の音符と記号の楽譜フォント Emmentaler (%s) が見つかりません。"
                     "lilypond-fonts を入れてください。\n",
                     qPrintable(Folder.isEmpty() ? QStringLiteral("/usr/share/lilypond/*/fonts/otf")
                                                 : GlyphsPath));
        return;
    }
    const qreal Scale = BraceHeight / BraceAt;
    BraceOutline = QTransform::fromScale(Scale, Scale).map(Braces.pathForGlyph(Brace));
    for (int g = 0; g < mgCount; ++g) {
        const quint32 Index = Indexes[static_cast<std::size_t>(g)];
        Outlines[static_cast<std::size_t>(g)] = Glyphs.pathForGlyph(Index);
        Boxes[static_cast<std::size_t>(g)] = Outlines[static_cast<std::size_t>(g)].boundingRect();
        Advances[static_cast<std::size_t>(g)] =
            Glyphs.advancesForGlyphIndexes({Index}).value(0).x();
    }
    Loaded = true;
}

QRectF TMusicFont::Box(TMusicGlyph Glyph) const {
    return Boxes[static_cast<std::size_t>(Glyph)];
}

qreal TMusicFont::Advance(TMusicGlyph Glyph) const {
    return Advances[static_cast<std::size_t>(Glyph)];
}

void TMusicFont::Draw(QPainter& Painter, TMusicGlyph Glyph, QPointF Origin, QColor Ink) const {
    if (Loaded) {
        Fill(Painter, Outlines[static_cast<std::size_t>(Glyph)], Origin, Ink);
    }
}

QRectF TMusicFont::BraceBox() const {
    return BraceOutline.boundingRect();
}

void TMusicFont::DrawBrace(QPainter& Painter, QPointF Origin) const {
    if (Loaded) {
        Fill(Painter, BraceOutline, Origin);
    }
}
