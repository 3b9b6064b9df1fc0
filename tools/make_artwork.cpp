// make_artwork: draws Brimshade's picture and writes it as an 8-bit BMP file.
//
//   Usage: make_artwork OUTPUT.bmp
//
// res/artwork.bmp is this program's output, committed so that the Windows build
// needs no host tool. Regenerate it with this program after changing the design.
// The output depends on nothing but this source: integer arithmetic only, no
// clock and no randomness, so every run on every host gives the same bytes.
//
// The window is cut to the picture's shape: every pixel whose blue, green and
// red are all 16 or less disappears. The picture uses that deliberately:
//  - a near-black band along the top is cut away, leaving a thin light frame,
//    the title and a dotted rule floating over the desktop;
//  - below hangs a brass-framed plaque holding a stained-glass dusk landscape,
//    whose lead lines are black and so become slits in the window, and an
//    engraved caption whose letters are cut right through;
//  - the last column and the last row are a dark drop shadow, cut away too.
// The layout constants below are tuned together: they fix how many pixels are
// cut away, in which shade, and how many row runs the window's region is built
// from. tests/artwork/artwork_test.cpp checks those figures on the committed file.

#include "bmp_writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 489;
constexpr int kHeight = 317;
constexpr int kLastX = kWidth - 2;  // the shadow column lies right of it
constexpr int kLastY = kHeight - 2; // the shadow row lies below it

// ---------------------------------------------------------------------------
// Colour table. Entries 0, 11, 12 and 245 are the cut-away shades; every other
// entry has a channel above 16 so that it stays in the window. Most entries
// form ramps for the gradients; the rest are single colours.

struct Rgb {
    int r, g, b;
};

enum : uint8_t {
    kBlack = 0,
    kFrameLine = 7,
    kTitleFace = 8,
    kTitleEdge = 9,
    kGilt = 10,
    kGrey8 = 11,
    kGrey16 = 12,
    kSpareBlack = 245, // a second black, which no pixel uses
    kRivetLight = 246,
    kRivetDark = 248,
};

// A run of consecutive entries blending through colour stops.
struct Ramp {
    int first;
    int count;
    std::vector<Rgb> stops;

    // Entry for position num/den (clamped to 0..1) along the ramp, rounded.
    uint8_t blend(int num, int den) const
    {
        num = std::clamp(num, 0, den);
        return static_cast<uint8_t>(first + (2 * num * (count - 1) + den) / (2 * den));
    }
    // Spreads the ramp over positions first..last.
    uint8_t across(int pos, int firstPos, int lastPos) const { return blend(pos - firstPos, lastPos - firstPos); }
};

const Ramp kBrass{13, 28, {{58, 36, 18}, {150, 104, 40}, {214, 170, 82}, {255, 236, 168}}};
const Ramp kSkyA{42, 40, {{26, 24, 84}, {92, 48, 124}, {200, 92, 112}, {246, 158, 84}}};
const Ramp kSkyB{82, 40, {{58, 50, 134}, {150, 82, 160}, {240, 140, 122}, {255, 206, 122}}};
const Ramp kSunDisc{122, 20, {{255, 252, 226}, {255, 220, 120}, {248, 146, 58}}};
const Ramp kPeaks{142, 24, {{168, 112, 158}, {112, 74, 128}, {58, 42, 92}}};
const Ramp kHills{166, 24, {{86, 118, 74}, {48, 84, 60}, {24, 50, 46}}};
const Ramp kLake{190, 32, {{214, 130, 120}, {120, 78, 120}, {30, 42, 92}}};
const Ramp kGlitter{222, 23, {{255, 244, 190}, {250, 196, 120}, {226, 132, 80}}};

Rgb mix(Rgb a, Rgb b, int num, int den)
{
    return {a.r + (b.r - a.r) * num / den, a.g + (b.g - a.g) * num / den, a.b + (b.b - a.b) * num / den};
}

void addRamp(std::array<Rgb, 256> &table, const Ramp &ramp)
{
    // Entry i lies i * segments / span of the way through the stops.
    const int segments = static_cast<int>(ramp.stops.size()) - 1;
    const int span = ramp.count - 1;
    for (int i = 0; i < ramp.count; ++i) {
        const int seg = std::min(i * segments / span, segments - 1);
        table[ramp.first + i] = mix(ramp.stops[seg], ramp.stops[seg + 1], i * segments - seg * span, span);
    }
}

std::array<Rgb, 256> buildColourTable()
{
    // Entries nothing claims (1-6, 41, 247, 249-255) get a neutral grey rather
    // than black, so that only the intended shades are ever cut away.
    std::array<Rgb, 256> table;
    table.fill({128, 128, 128});
    table[kBlack] = {0, 0, 0};
    table[kGrey8] = {8, 8, 8};
    table[kGrey16] = {16, 16, 16};
    table[kSpareBlack] = {0, 0, 0};
    table[kFrameLine] = {232, 204, 128};
    table[kTitleFace] = {252, 244, 218};
    table[kTitleEdge] = {74, 46, 26};
    table[kGilt] = {222, 182, 92};
    table[kRivetLight] = {255, 246, 204};
    table[kRivetDark] = {120, 80, 30};
    for (const Ramp *ramp : {&kBrass, &kSkyA, &kSkyB, &kSunDisc, &kPeaks, &kHills, &kLake, &kGlitter})
        addRamp(table, *ramp);
    return table;
}

// ---------------------------------------------------------------------------
// Canvas and geometry.

using Canvas = std::vector<uint8_t>; // colour indices, top row first

uint8_t &at(Canvas &canvas, int x, int y)
{
    return canvas[static_cast<size_t>(y) * kWidth + x];
}

struct Point {
    int x, y;
};

// Height of a polyline (points sorted by x) at column x, rounded down.
int heightAt(const std::vector<Point> &line, int x)
{
    for (size_t i = 1; i < line.size(); ++i) {
        const Point a = line[i - 1], b = line[i];
        if (x <= b.x) {
            const int num = (b.y - a.y) * (x - a.x);
            const int den = b.x - a.x;
            return a.y + (num >= 0 ? num / den : -((-num + den - 1) / den));
        }
    }
    return line.back().y;
}

// True when pixel p belongs to a lead line drawn along the segment a-b: its
// centre lies within half a pixel diagonal (distance squared at most 1/2) of
// the segment. That gives a line one to two pixels wide, depending on its
// slope, that never breaks.
bool onLead(Point p, Point a, Point b)
{
    const int64_t abx = b.x - a.x, aby = b.y - a.y;
    const int64_t apx = p.x - a.x, apy = p.y - a.y;
    const int64_t dot = apx * abx + apy * aby;
    const int64_t len2 = abx * abx + aby * aby;
    if (dot <= 0) return apx == 0 && apy == 0;
    if (dot >= len2) return p.x == b.x && p.y == b.y;
    const int64_t cross = apx * aby - apy * abx;
    return 2 * cross * cross <= len2;
}

bool onLead(Point p, const std::vector<Point> &line)
{
    for (size_t i = 1; i < line.size(); ++i)
        if (onLead(p, line[i - 1], line[i])) return true;
    return false;
}

// ---------------------------------------------------------------------------
// Pixel font: 5x7 capitals, one string per row, '#' for ink.

struct Glyph {
    char ch;
    const char *rows[7];
};

const Glyph kFont[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###."}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
};

const Glyph *findGlyph(char ch)
{
    for (const Glyph &glyph : kFont)
        if (glyph.ch == ch) return &glyph;
    return nullptr; // a space
}

struct TextStyle {
    int scaleX, scaleY;
    int advance; // pixels from one letter's left edge to the next
};

int textWidth(const std::string &text, const TextStyle &style)
{
    return static_cast<int>(text.size()) * style.advance - (style.advance - 5 * style.scaleX);
}

// Calls ink(x, y) for every pixel of the text's letters, left edge at x0.
template <typename Ink> void forEachTextPixel(const std::string &text, const TextStyle &style, int x0, int y0, Ink ink)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph *glyph = findGlyph(text[i]);
        if (!glyph) continue;
        const int left = x0 + static_cast<int>(i) * style.advance;
        for (int row = 0; row < 7 * style.scaleY; ++row)
            for (int col = 0; col < 5 * style.scaleX; ++col)
                if (glyph->rows[row / style.scaleY][col / style.scaleX] == '#') ink(left + col, y0 + row);
    }
}

// ---------------------------------------------------------------------------
// The band: rows 0..kBandRows-1, cut away but for frame, title and rule.

constexpr int kBandRows = 47;
const std::string kTitle = "BRIMSHADE";
constexpr TextStyle kTitleStyle{4, 3, 28}; // wide capitals, 20 x 21 pixels
constexpr int kTitleTop = 12;
constexpr int kRuleRow = 39;  // the dotted rule under the title
constexpr int kDotPitch = 3;  // from one dot of the rule to the next
constexpr int kTickEvery = 7; // every seventh dot is a taller tick
// Five rules flank the title on each side, longest in the middle.
struct FlankRule {
    int row, length;
};
constexpr FlankRule kFlankRules[] = {{18, 56}, {20, 72}, {22, 88}, {24, 72}, {26, 56}};
constexpr int kFlankGap = 8; // between the rules and the title
// A faint glow behind the title: 16-grey core, 8-grey halo, black beyond.
constexpr int kGlowCentreY = 22;
constexpr int kGlowCoreRx = 120, kGlowCoreRy = 23;
constexpr int kGlowHaloRx = 221, kGlowHaloRy = 38;

bool insideEllipse(int x, int y, int rx, int ry)
{
    // Centred on the picture's middle column (x = 243.5) in doubled units.
    const int64_t dx = 2 * x - kLastX, dy = 2 * (y - kGlowCentreY);
    return dx * dx * ry * ry + dy * dy * rx * rx <= 4LL * rx * rx * ry * ry;
}

void paintBand(Canvas &canvas)
{
    for (int y = 0; y < kBandRows; ++y)
        for (int x = 0; x <= kLastX; ++x)
            at(canvas, x, y) = insideEllipse(x, y, kGlowCoreRx, kGlowCoreRy)   ? kGrey16
                               : insideEllipse(x, y, kGlowHaloRx, kGlowHaloRy) ? kGrey8
                                                                               : kBlack;
    for (int x = 0; x <= kLastX; ++x) at(canvas, x, 0) = kFrameLine;
    for (int y = 0; y < kBandRows; ++y) {
        at(canvas, 0, y) = kFrameLine;
        at(canvas, kLastX, y) = kFrameLine;
    }

    // Title: light face with a dark edge, legible over any desktop.
    const int titleLeft = (kLastX + 1 - textWidth(kTitle, kTitleStyle)) / 2;
    Canvas face(canvas.size(), 0);
    forEachTextPixel(kTitle, kTitleStyle, titleLeft, kTitleTop, [&](int x, int y) { at(face, x, y) = 1; });
    for (int y = 1; y < kBandRows; ++y)
        for (int x = 1; x < kLastX; ++x) {
            if (at(face, x, y)) {
                at(canvas, x, y) = kTitleFace;
                continue;
            }
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (at(face, x + dx, y + dy)) at(canvas, x, y) = kTitleEdge;
        }

    // Flanking rules, mirrored about the middle column.
    for (const FlankRule &rule : kFlankRules)
        for (int i = 1; i <= rule.length; ++i) {
            const int x = titleLeft - kFlankGap - i;
            at(canvas, x, rule.row) = kGilt;
            at(canvas, kLastX - x, rule.row) = kGilt;
        }

    // Dotted rule: one dot per pitch between the frame lines, with a gap next
    // to each frame line; ticks reach one row above and below.
    const int dots = (kLastX - 2) / kDotPitch + 1;
    for (int k = 0; k < dots; ++k) {
        const int x = 2 + k * kDotPitch;
        at(canvas, x, kRuleRow) = kGilt;
        if (k % kTickEvery == 0) {
            at(canvas, x, kRuleRow - 1) = kGilt;
            at(canvas, x, kRuleRow + 1) = kGilt;
        }
    }
}

// ---------------------------------------------------------------------------
// The plaque: rows kBandRows..kLastY. A brass moulding frames a stained-glass
// landscape above an engraved brass plate.

constexpr int kFrame = 12; // width of the moulding
// Brightness (0..27 of the brass ramp) across the moulding, outer edge first.
constexpr int kMoulding[kFrame] = {12, 19, 24, 27, 25, 20, 15, 11, 13, 16, 12, 3};

// The glass panel including its border lead, inclusive bounds.
constexpr int kGlassLeft = kFrame, kGlassRight = kLastX - kFrame;
constexpr int kGlassTop = kBandRows + kFrame, kGlassBottom = 262;
constexpr int kBorderLead = 2;

constexpr int kPlateTop = kGlassBottom + 1, kPlateBottom = kLastY - kFrame;

void paintFrame(Canvas &canvas)
{
    for (int y = kBandRows; y <= kLastY; ++y)
        for (int x = 0; x <= kLastX; ++x) {
            const int top = y - kBandRows, bottom = kLastY - y;
            const int left = x, right = kLastX - x;
            const int depthX = left < right ? left : right;
            const int depthY = top < bottom ? top : bottom;
            const int depth = depthX < depthY ? depthX : depthY;
            if (depth >= kFrame) continue;
            // Light falls from the top left: the top and left bars are brighter.
            int light = kMoulding[depth];
            if (depthY <= depthX)
                light += top < bottom ? 0 : -6;
            else
                light += left < right ? -2 : -8;
            light += (x + y) % 3 == 0 ? 1 : 0; // a fine diagonal grain
            at(canvas, x, y) = kBrass.blend(light, 27);
        }
    // Rivets in the corners of the moulding.
    for (Point c : {Point{5, kBandRows + 5}, Point{kLastX - 5, kBandRows + 5}, Point{5, kLastY - 5},
                    Point{kLastX - 5, kLastY - 5}})
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (dx * dx + dy * dy <= 5) at(canvas, c.x + dx, c.y + dy) = dx + dy < 0 ? kRivetLight : kRivetDark;
}

// Landscape geometry.
const Point kSun{300, 136};
constexpr int kSunRadius = 34;
const std::vector<Point> kPeakLine = {{kGlassLeft, 150}, {52, 124},  {96, 140},  {160, 96},  {214, 136},
                                      {262, 120},        {318, 154}, {382, 104}, {440, 140}, {kGlassRight, 126}};
const std::vector<Point> kHillLine = {{kGlassLeft, 186}, {80, 170},  {170, 182},        {250, 166},
                                      {350, 180},        {420, 168}, {kGlassRight, 174}};
constexpr int kShoreRow = 201;
// Rays of lead fan out from the sun to these points on the panel's edge.
const Point kRayEnds[] = {{kGlassLeft, 131}, {kGlassLeft, 80},  {40, kGlassTop},   {110, kGlassTop},
                          {180, kGlassTop},  {250, kGlassTop},  {320, kGlassTop},  {390, kGlassTop},
                          {450, kGlassTop},  {kGlassRight, 76}, {kGlassRight, 100}};
// Ripples: one-pixel dashes of lead across the lake every kRippleSpacing rows
// below the shore, longer and sparser towards the viewer. Each dash sits at a
// scrambled place within its own pitch-wide cell, so that dashes never line up
// into columns or arcs and never touch their neighbours.
constexpr int kRippleSpacing = 3;
// Dash length grows by a pixel every kRippleDashGrowthRows ripple rows, and the
// cell pitch by kRipplePitchGrowth pixels every ripple row.
constexpr int kRippleDash = 5, kRippleDashGrowthRows = 2;
constexpr int kRipplePitch = 23, kRipplePitchGrowth = 1;

int cross(Point o, Point a, Point b)
{
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

int distance2(Point a, Point b)
{
    return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y);
}

// A fixed hash of two small numbers, for placing ripples without a pattern.
uint32_t scramble(int a, int b)
{
    uint32_t h = static_cast<uint32_t>(a) * 0x9E3779B1u ^ static_cast<uint32_t>(b) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

bool isLead(Point p)
{
    if (p.y < kGlassTop + kBorderLead || p.y > kGlassBottom - kBorderLead || p.x < kGlassLeft + kBorderLead ||
        p.x > kGlassRight - kBorderLead)
        return true;
    if (onLead(p, kPeakLine) || onLead(p, kHillLine) || (p.y >= kShoreRow - 1 && p.y <= kShoreRow + 1)) return true;
    // The sun's ring and rays are only seen in the sky, above the peaks.
    if (p.y < heightAt(kPeakLine, p.x)) {
        const int d2 = distance2(p, kSun), r = kSunRadius;
        if (d2 > r * r && d2 <= (r + 2) * (r + 2)) return true;
        if (d2 > r * r)
            for (Point end : kRayEnds)
                if (onLead(p, kSun, end)) return true;
    }
    const int depth = p.y - kShoreRow;
    if (depth > 0 && depth % kRippleSpacing == 0) {
        const int row = depth / kRippleSpacing;
        const int pitch = kRipplePitch + row * kRipplePitchGrowth;
        const int dash = kRippleDash + row / kRippleDashGrowthRows;
        const int cell = (p.x - kGlassLeft) / pitch;
        const int start = cell * pitch + static_cast<int>(scramble(row, cell) % (pitch - dash));
        return p.x - kGlassLeft >= start && p.x - kGlassLeft < start + dash;
    }
    return false;
}

uint8_t skyColour(Point p)
{
    // Panes between neighbouring rays alternate between the two sky ramps.
    int sector = 0;
    for (Point end : kRayEnds)
        if (cross(kSun, end, p) > 0) ++sector;
    const Ramp &ramp = sector % 2 ? kSkyA : kSkyB;
    // Darkest at the top, warmest at the horizon behind the sun, and brighter
    // within 120 pixels of the sun.
    const int glow = std::max(0, 120 * 120 - distance2(p, kSun)) / 300;
    return ramp.across(p.y + glow, kGlassTop + kBorderLead, kSun.y + 20);
}

uint8_t peakColour(Point p, int peak, int hill)
{
    // Faces turned towards the sun take the light half of the ramp.
    size_t i = 1;
    while (kPeakLine[i].x < p.x) ++i;
    const bool descends = kPeakLine[i].y > kPeakLine[i - 1].y;
    const bool lit = (p.x < kSun.x) == descends;
    const int depth = p.y - peak, span = hill - peak;
    return lit ? kPeaks.blend(3 * depth, 5 * span) : kPeaks.blend(2 * span + 3 * depth, 5 * span);
}

uint8_t lakeColour(Point p)
{
    // The sun's reflection: a column of glittering streaks, widening towards
    // the viewer, their ends staggered from row to row.
    const int depth = p.y - kShoreRow;
    const int halfWidth = kSunRadius / 2 + depth / 3 + (p.y % 3) * 4;
    const int off = p.x < kSun.x ? kSun.x - p.x : p.x - kSun.x;
    if (off < halfWidth) return kGlitter.across(off, 0, halfWidth - 1);
    // From the first row below the shore's lead to the last above the border.
    return kLake.across(p.y, kShoreRow + 2, kGlassBottom - kBorderLead);
}

uint8_t glassColour(Point p)
{
    if (isLead(p)) return kBlack;
    const int peak = heightAt(kPeakLine, p.x), hill = heightAt(kHillLine, p.x);
    if (p.y < peak) {
        const int d2 = distance2(p, kSun), r2 = kSunRadius * kSunRadius;
        return d2 <= r2 ? kSunDisc.blend(d2, r2) : skyColour(p);
    }
    if (p.y < hill) return peakColour(p, peak, hill);
    if (p.y < kShoreRow) return kHills.across(p.y, hill + 2, kShoreRow - 2);
    return lakeColour(p);
}

void paintGlass(Canvas &canvas)
{
    for (int y = kGlassTop; y <= kGlassBottom; ++y)
        for (int x = kGlassLeft; x <= kGlassRight; ++x) at(canvas, x, y) = glassColour({x, y});
}

const std::string kCaption = "SEE THROUGH THE DARK";
constexpr TextStyle kCaptionStyle{3, 3, 20};
constexpr int kCaptionTop = 272;
// Engraved rules above and below the caption, centred.
constexpr int kRuleGap = 4; // rows between a rule and the caption
constexpr int kRuleLength = 420;

void paintPlate(Canvas &canvas)
{
    for (int y = kPlateTop; y <= kPlateBottom; ++y)
        for (int x = kFrame; x <= kLastX - kFrame; ++x)
            // Fine grain, darkening slightly towards the bottom.
            at(canvas, x, y) = kBrass.blend(18 + (x + y) % 2 - (y - kPlateTop) / 6, 27);
    const int left = (kLastX + 1 - textWidth(kCaption, kCaptionStyle)) / 2;
    forEachTextPixel(kCaption, kCaptionStyle, left, kCaptionTop, [&](int x, int y) { at(canvas, x, y) = kBlack; });
    const int ruleLeft = (kLastX + 1 - kRuleLength) / 2;
    for (int row : {kCaptionTop - kRuleGap - 1, kCaptionTop + 7 * kCaptionStyle.scaleY + kRuleGap})
        for (int x = ruleLeft; x < ruleLeft + kRuleLength; ++x) at(canvas, x, row) = kBlack;
}

// The drop shadow: fades from black at the corner to 16-grey at the far ends.
constexpr int kShadowFade8 = 176, kShadowFade16 = 42;

void paintShadow(Canvas &canvas)
{
    auto shade = [](int fromEnd) {
        return fromEnd < kShadowFade16 ? kGrey16 : fromEnd < kShadowFade8 ? kGrey8 : kBlack;
    };
    for (int y = 0; y < kHeight; ++y) at(canvas, kWidth - 1, y) = shade(y);
    for (int x = 0; x < kWidth - 1; ++x) at(canvas, x, kHeight - 1) = shade(x);
}

// ---------------------------------------------------------------------------
// BMP output: the project's own writer, 8 bits with all 256 entries (recorded
// as 0, a full table), rows bottom-up.

std::vector<uint8_t> encodeArtwork(const Canvas &canvas, const std::array<Rgb, 256> &table)
{
    BmpFormat format;
    format.width = kWidth;
    format.height = kHeight;
    format.bitCount = 8;
    for (const Rgb &c : table) format.colourTable.push_back(c.b | c.g << 8 | c.r << 16);
    return EncodeBmp(format, [&](uint32_t row, uint8_t *pRow) {
        const auto top = canvas.begin() + static_cast<long>(kHeight - 1 - row) * kWidth;
        std::copy(top, top + kWidth, pRow);
    });
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_artwork OUTPUT.bmp\n");
        return 2;
    }
    Canvas canvas(static_cast<size_t>(kWidth) * kHeight, kBlack);
    paintBand(canvas);
    paintFrame(canvas);
    paintGlass(canvas);
    paintPlate(canvas);
    paintShadow(canvas);

    const std::vector<uint8_t> bytes = encodeArtwork(canvas, buildColourTable());
    std::FILE *file = std::fopen(argv[1], "wb");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
