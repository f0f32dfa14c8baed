#include "fps_overlay.h"

#include "fps_text.h"

#include <GL/gl.h>

namespace {

// Each font pixel becomes a kScale × kScale block; glBitmap draws pixels 1:1.
constexpr int kScale = 2;
constexpr int kCellWidth = kGlyphWidth * kScale;    // 10 bits, two bytes a row
constexpr int kCellHeight = kGlyphHeight * kScale;  // 14 rows
constexpr int kCellRowBytes = 2;
constexpr int kAdvance = kCellWidth + kScale;
constexpr int kMargin = 8;

// A glyph scaled up into glBitmap's layout: rows from bottom to top, most
// significant bit leftmost.
struct Cell {
    unsigned char bits[kCellHeight * kCellRowBytes];
};

void scaleGlyph(const unsigned char* rows, Cell* cell)
{
    for (int y = 0; y < kCellHeight; ++y) {
        const unsigned char source = rows[kGlyphHeight - 1 - y / kScale];
        unsigned word = 0;
        for (int x = 0; x < kCellWidth; ++x) {
            const int column = x / kScale;
            if (source & (0x10u >> column)) {
                word |= 0x8000u >> x;
            }
        }
        cell->bits[y * kCellRowBytes] = static_cast<unsigned char>(word >> 8);
        cell->bits[y * kCellRowBytes + 1] = static_cast<unsigned char>(word & 0xFF);
    }
}

} // namespace

void drawFpsOverlay(double framesPerSecond, int width, int height)
{
    char text[24];
    formatFps(framesPerSecond, text, sizeof text);

    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_TRANSFORM_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    // Bitmaps are textured, fogged and blended like any fragment.
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    glDisable(GL_BLEND);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    glColor3f(1.0f, 1.0f, 1.0f);
    glRasterPos2i(kMargin, kMargin);
    Cell cell;
    for (const char* c = text; *c != '\0'; ++c) {
        const unsigned char* rows = glyphFor(*c);
        if (rows == nullptr) {
            continue;
        }
        scaleGlyph(rows, &cell);
        glBitmap(kCellWidth, kCellHeight, 0.0f, 0.0f, kAdvance, 0.0f, cell.bits);
    }

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();  // also brings back the matrix mode
}
