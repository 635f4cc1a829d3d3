// mkicon.cpp -- draws Korvel's icon from the game's own shapes: the ship firing at a plain enemy.
//
//   usage: mkicon <out-prefix> <window-icon.bmp>
//
// Writes <out-prefix>.svg and <out-prefix>-48.png, -128.png and -256.png for the desktop, -192.png and
// -512.png for the browser's installed web app, and the window's own icon as a BMP (the one image format
// SDL 1.2 reads), all from one drawing.
#include <cairo-svg.h>
#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The drawing is made on a square of this many units; every output scales it.
static const double SIDE = 256;
static const int PNG_SIZES[] = {48, 128, 192, 256, 512};
// The window icon: its side in pixels, and the colour that stands for "transparent" (the game makes
// it the colour key; the drawing never uses it). Pixels less than half covered take it.
static const int BMP_SIZE = 48;
static const uint8_t BMP_KEY[] = {255, 0, 255};
static const double PI = 3.14159265358979323846;

// The game's colours: night sky, the first player's grey ship, a plain enemy, the player's shots.
static const double SKY[] = {0.02, 0.02, 0.07};
static const double SHIP_GREY = 0.7;
static const double ENEMY[] = {0.2, 0.4, 0.8};
static const double SHOT[] = {0.0, 0.5, 1.0};

// The ship's triangle as the game draws it (nose up), and how much larger it is drawn here.
static const double SHIP[3][2] = {{0, 10}, {-7, -8}, {7, -8}};
static const double SHIP_SCALE = 4;

static void Background(cairo_t* cr) {
    const double r = SIDE / 8, m = SIDE / 32; // corner radius, margin
    cairo_new_sub_path(cr);
    cairo_arc(cr, SIDE - m - r, m + r, r, -PI / 2, 0);
    cairo_arc(cr, SIDE - m - r, SIDE - m - r, r, 0, PI / 2);
    cairo_arc(cr, m + r, SIDE - m - r, r, PI / 2, PI);
    cairo_arc(cr, m + r, m + r, r, PI, 3 * PI / 2);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, SKY[0], SKY[1], SKY[2]);
    cairo_fill(cr);
}

// A regular polygon, as the game draws its enemies (the number of sides is their hit points).
static void Enemy(cairo_t* cr, double cx, double cy, double radius, int sides, double rot) {
    for (int i = 0; i < sides; i++) {
        const double a = rot + i * 2 * PI / sides;
        cairo_line_to(cr, cx + cos(a) * radius, cy - sin(a) * radius);
    }
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, ENEMY[0], ENEMY[1], ENEMY[2]);
    cairo_fill(cr);
}

static void Ship(cairo_t* cr, double cx, double cy) {
    for (const auto& corner : SHIP)
        cairo_line_to(cr, cx + corner[0] * SHIP_SCALE, cy - corner[1] * SHIP_SCALE);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, SHIP_GREY, SHIP_GREY, SHIP_GREY);
    cairo_fill(cr);
}

// A needle shot flying up from (x, y).
static void Shot(cairo_t* cr, double x, double y) {
    cairo_set_line_width(cr, SIDE / 64);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x, y - SIDE / 12);
    cairo_set_source_rgb(cr, SHOT[0], SHOT[1], SHOT[2]);
    cairo_stroke(cr);
}

static void Draw(cairo_t* cr, double size) {
    cairo_scale(cr, size / SIDE, size / SIDE);
    Background(cr);
    Enemy(cr, SIDE / 2, SIDE * 0.27, SIDE * 0.18, 6, PI / 6);
    Shot(cr, SIDE / 2, SIDE * 0.58);
    Ship(cr, SIDE / 2, SIDE * 0.80);
}

// Draws on a surface and finishes it; false when cairo reports an error.
static bool Render(cairo_surface_t* surface, double size) {
    cairo_t* cr = cairo_create(surface);
    Draw(cr, size);
    const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    return ok;
}

static bool WriteSvg(const std::string& path) {
    cairo_surface_t* surface = cairo_svg_surface_create(path.c_str(), SIDE, SIDE);
    cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PX);
    bool ok = Render(surface, SIDE);
    cairo_surface_finish(surface);
    ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS && ok;
    cairo_surface_destroy(surface);
    return ok;
}

static bool WritePng(const std::string& path, int size) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    bool ok = Render(surface, size);
    ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS && ok;
    cairo_surface_destroy(surface);
    return ok;
}

// Appends n little-endian bytes of value.
static void PutLE(std::vector<uint8_t>& out, uint32_t value, int n) {
    for (int i = 0; i < n; i++)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// One cairo pixel (premultiplied ARGB) as the BMP's blue, green, red; the key colour when mostly clear.
static void PutPixel(std::vector<uint8_t>& out, uint32_t argb) {
    const uint32_t alpha = argb >> 24;
    if (alpha < 128) {
        out.insert(out.end(), {BMP_KEY[2], BMP_KEY[1], BMP_KEY[0]});
        return;
    }
    for (int shift : {0, 8, 16})
        out.push_back(static_cast<uint8_t>(((argb >> shift) & 255) * 255 / alpha));
}

// A 24-bit BMP: file header, BITMAPINFOHEADER, then the rows bottom up, each padded to 4 bytes.
static bool WriteBmp(const std::string& path, int size) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    bool ok = Render(surface, size);
    cairo_surface_flush(surface);
    const int rowBytes = (size * 3 + 3) / 4 * 4, headers = 14 + 40;
    std::vector<uint8_t> bmp = {'B', 'M'};
    PutLE(bmp, headers + rowBytes * size, 4);
    PutLE(bmp, 0, 4);
    PutLE(bmp, headers, 4);
    for (uint32_t field : {40, size, size}) // header size, width, height
        PutLE(bmp, field, 4);
    PutLE(bmp, 1, 2);           // planes
    PutLE(bmp, 24, 2);          // bits per pixel
    for (int i = 0; i < 6; i++) // no compression, image size, resolution, palette: all 0
        PutLE(bmp, 0, 4);
    const unsigned char* pixels = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = size - 1; y >= 0; y--) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(pixels + y * stride);
        for (int x = 0; x < size; x++)
            PutPixel(bmp, row[x]);
        bmp.resize(bmp.size() + rowBytes - size * 3);
    }
    cairo_surface_destroy(surface);
    FILE* file = fopen(path.c_str(), "wb");
    ok = file && fwrite(bmp.data(), 1, bmp.size(), file) == bmp.size() && ok;
    return file && fclose(file) == 0 && ok;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: mkicon <out-prefix> <window-icon.bmp>\n");
        return 2;
    }
    const std::string prefix = argv[1];
    bool ok = WriteSvg(prefix + ".svg");
    for (int size : PNG_SIZES)
        ok = WritePng(prefix + "-" + std::to_string(size) + ".png", size) && ok;
    ok = WriteBmp(argv[2], BMP_SIZE) && ok;
    if (!ok) fprintf(stderr, "mkicon: cannot write the icons %s.* and %s\n", prefix.c_str(), argv[2]);
    return ok ? 0 : 1;
}
