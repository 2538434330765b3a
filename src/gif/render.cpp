#include "gif/render.h"

#include "base/trace.h"
#include "gif/colour_index.h"
#include "gif/palette_remap.h"
#include "gif/resample.h"

#include <libimagequant.h>
#include <omp.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// c * a / 255 rounded: a pixel of alpha a composited over black.
unsigned char OverBlack(unsigned colour, unsigned alpha) {
    const unsigned t = colour * alpha + 128;
    return static_cast<unsigned char>((t + (t >> 8)) >> 8);
}

// Copies picture onto the black RGB canvas with its top-left corner at
// (x, y), clipped to the canvas. Masked pixels stay black. With holes (one
// byte per canvas pixel, all 1 to begin with), every pixel the picture covers
// opaquely is marked 0 and keeps its colour, while pixels of alpha below 128
// stay black holes; without, alpha is blended over black.
void DrawOnBlack(wxImage& canvas, const wxImage& picture, int x, int y, unsigned char* holes) {
    const int canvasWidth = canvas.GetWidth();
    const int width = picture.GetWidth();
    const int left = std::max(0, -x);
    const int right = std::min(width, canvasWidth - x);
    const int top = std::max(0, -y);
    const int bottom = std::min(picture.GetHeight(), canvas.GetHeight() - y);
    if (left >= right || top >= bottom) return;

    const bool masked = picture.HasMask();
    const std::uint32_t mask =
        masked ? PackRgb(picture.GetMaskRed(), picture.GetMaskGreen(), picture.GetMaskBlue()) : 0;
    const unsigned char* alpha = picture.HasAlpha() ? picture.GetAlpha() : nullptr;

    for (int row = top; row < bottom; ++row) {
        const size_t srcPixel = size_t(row) * width + left;
        const unsigned char* src = picture.GetData() + 3 * srcPixel;
        const size_t dstPixel = (size_t(row) + y) * canvasWidth + left + x;
        unsigned char* dst = canvas.GetData() + 3 * dstPixel;
        unsigned char* hole = holes ? holes + dstPixel : nullptr;
        const int count = right - left;
        if (!masked && !alpha) {
            std::memcpy(dst, src, 3 * size_t(count));
            if (hole) std::memset(hole, 0, size_t(count));
            continue;
        }
        const unsigned char* a = alpha ? alpha + srcPixel : nullptr;
        for (int i = 0; i < count; ++i, src += 3, dst += 3) {
            if (masked && PackRgb(src[0], src[1], src[2]) == mask) continue;
            if (hole && a && a[i] < 128) continue;
            if (a && !hole) {
                dst[0] = OverBlack(src[0], a[i]);
                dst[1] = OverBlack(src[1], a[i]);
                dst[2] = OverBlack(src[2], a[i]);
            } else {
                dst[0] = src[0];
                dst[1] = src[1];
                dst[2] = src[2];
            }
            if (hole) hole[i] = 0;
        }
    }
}

struct LiqDelete {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
    void operator()(liq_image* p) const { liq_image_destroy(p); }
    void operator()(liq_histogram* p) const { liq_histogram_destroy(p); }
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};
template <typename T>
using LiqPtr = std::unique_ptr<T, LiqDelete>;

// Every step-th pixel across and down, as a smaller image. Each sampled row
// and column is shifted by its index so that no line of the picture one pixel
// thin is missed entirely.
std::vector<liq_color> Sample(const liq_color* rgba, int width, int height,
                              int step, int& sampleWidth, int& sampleHeight) {
    sampleWidth = width / step;
    sampleHeight = height / step;
    std::vector<liq_color> sample(size_t(sampleWidth) * sampleHeight);
    for (int r = 0; r < sampleHeight; ++r)
        for (int i = 0; i < sampleWidth; ++i)
            sample[size_t(r) * sampleWidth + i] =
                rgba[size_t(r * step + i % step) * width + i * step + r % step];
    return sample;
}

// How sparsely the palette's sample is taken: every step-th pixel across and
// down. On the photo-like corpora a sample of 50,000 pixels gives the palette
// of every pixel within 0.05 dB, at a tenth of the time on 1920 x 1080.
int SampleStep(int width, int height, const QuantizeSettings& settings) {
    if (settings.samplePixels <= 0) return 1;
    return std::max(1, int(std::ceil(std::sqrt(double(width) * height / settings.samplePixels))));
}

// libimagequant settings for one quantisation on the calling thread alone:
// it sums its palette corrections per thread, so one thread gives the same
// palette on any machine, and no worker oversubscribes the cores that the
// other frames' workers use.
LiqPtr<liq_attr> SingleThreadAttr(const QuantizeSettings& settings) {
    omp_set_num_threads(1);
    LiqPtr<liq_attr> attr(liq_attr_create());
    const bool ok = attr && liq_set_speed(attr.get(), settings.speed) == LIQ_OK &&
                    liq_set_max_colors(attr.get(), std::clamp(settings.maxColours, 2, 256)) == LIQ_OK &&
                    liq_set_quality(attr.get(), 0, std::clamp(settings.targetQuality, 0, 100)) == LIQ_OK;
    return ok ? std::move(attr) : nullptr;
}

// Pixels of colours that fell into one bucket: its index and their sums.
struct Bucket {
    std::uint32_t key = 0, count = 0;
    std::uint64_t red = 0, green = 0, blue = 0;  // a bright sky of 17 million pixels passes 32 bits
};

// Buckets of 2^(8 - bits) levels a side, in the order first met.
class BucketSums {
public:
    explicit BucketSums(int bits) : m_bucketOf(size_t(1) << (3 * bits), -1) {}
    void Add(std::uint32_t key, std::uint64_t red, std::uint64_t green, std::uint64_t blue, std::uint32_t count) {
        std::int32_t& at = m_bucketOf[key];
        if (at < 0) {
            at = std::int32_t(m_buckets.size());
            m_buckets.emplace_back().key = key;
        }
        Bucket& bucket = m_buckets[size_t(at)];
        bucket.red += red;
        bucket.green += green;
        bucket.blue += blue;
        bucket.count += count;
    }
    std::vector<Bucket> Take() { return std::move(m_buckets); }

private:
    std::vector<std::int32_t> m_bucketOf;
    std::vector<Bucket> m_buckets;
};

// The opaque pixels counted in buckets of 2^(8 - bits) levels a side.
std::vector<Bucket> CountBuckets(const liq_color* rgba, size_t pixels, int bits) {
    const int drop = 8 - bits;
    BucketSums sums(bits);
    for (size_t i = 0; i < pixels; ++i) {
        const liq_color& c = rgba[i];
        if (c.a != 0)
            sums.Add((std::uint32_t(c.r >> drop) << (2 * bits)) | (std::uint32_t(c.g >> drop) << bits) |
                         std::uint32_t(c.b >> drop),
                     c.r, c.g, c.b, 1);
    }
    return sums.Take();
}

// The same buckets merged into those of one bit less a side.
std::vector<Bucket> Coarser(const std::vector<Bucket>& fine, int bits) {
    const std::uint32_t side = (1u << bits) - 1;
    BucketSums sums(bits - 1);
    for (const Bucket& b : fine)
        sums.Add((((b.key >> (2 * bits)) >> 1) << (2 * (bits - 1))) |
                     ((((b.key >> bits) & side) >> 1) << (bits - 1)) | ((b.key & side) >> 1),
                 b.red, b.green, b.blue, b.count);
    return sums.Take();
}

// The opaque pixels' colours for libimagequant: buckets of 2^(8 - bits)
// levels a side, each entered at the mean of the colours in it. Where they
// fill colour space (photographs, noise) the buckets are made coarser until
// they are few: a palette there lies far wider apart than the buckets, and
// libimagequant's time grows with their number (photo-like frames: 9,000 at
// 5 bits, 8 % of the export's time for 0.06 dB).
std::vector<liq_histogram_entry> BucketedColours(const liq_color* rgba, size_t pixels, int bits) {
    constexpr size_t kFewBuckets = 4096;
    constexpr int kCoarsest = 4;
    std::vector<Bucket> buckets = CountBuckets(rgba, pixels, bits);
    for (; buckets.size() > kFewBuckets && bits > kCoarsest; --bits) buckets = Coarser(buckets, bits);
    std::vector<liq_histogram_entry> entries;
    entries.reserve(buckets.size());
    auto mean = [](std::uint64_t total, std::uint32_t count) {
        return static_cast<unsigned char>((total + count / 2) / count);
    };
    for (const Bucket& b : buckets)
        entries.push_back(liq_histogram_entry{
            liq_color{mean(b.red, b.count), mean(b.green, b.count), mean(b.blue, b.count), 255}, b.count});
    return entries;
}

// libimagequant's result for the frame's bucketed colours, which are left in entries.
LiqPtr<liq_result> QuantizeBuckets(const liq_color* rgba, size_t pixels, bool anyClear, liq_attr* attr,
                                   int bits, std::vector<liq_histogram_entry>& entries) {
    LiqPtr<liq_histogram> histogram(liq_histogram_create(attr));
    if (!histogram) return nullptr;
    entries = BucketedColours(rgba, pixels, std::clamp(bits, 1, 6));
    if (!entries.empty() &&
        liq_histogram_add_colors(histogram.get(), attr, entries.data(), int(entries.size()), 0) != LIQ_OK)
        return nullptr;
    if (anyClear && liq_histogram_add_fixed_color(histogram.get(), liq_color{0, 0, 0, 0}, 0) != LIQ_OK)
        return nullptr;
    liq_result* quantized = nullptr;
    if (liq_histogram_quantize(histogram.get(), attr, &quantized) != LIQ_OK) return nullptr;
    return LiqPtr<liq_result>(quantized);
}

// libimagequant's result for the exact colours of a sample of the frame.
LiqPtr<liq_result> QuantizeSample(const liq_color* rgba, int width, int height, bool anyClear, liq_attr* attr,
                                  const QuantizeSettings& settings) {
    // Sampling pays only for large frames; small ones give too small a sample.
    constexpr int kMinSampleSide = 64;
    const int step = SampleStep(width, height, settings);
    int sampleWidth = width, sampleHeight = height;
    std::vector<liq_color> sample;
    const liq_color* chosenFrom = rgba;
    if (step > 1 && width / step >= kMinSampleSide && height / step >= kMinSampleSide) {
        sample = Sample(rgba, width, height, step, sampleWidth, sampleHeight);
        chosenFrom = sample.data();
    }
    LiqPtr<liq_image> input(liq_image_create_rgba(attr, chosenFrom, sampleWidth, sampleHeight, 0));
    if (!input) return nullptr;
    // A few transparent pixels may all fall between the sampled ones; the
    // palette still needs its transparent entry for them.
    if (anyClear && liq_image_add_fixed_color(input.get(), liq_color{0, 0, 0, 0}) != LIQ_OK) return nullptr;
    liq_result* quantized = nullptr;
    if (liq_image_quantize(input.get(), attr, &quantized) != LIQ_OK) return nullptr;
    return LiqPtr<liq_result>(quantized);
}

// The palette's entries other than the transparent one, in order of red, so
// that the search for the nearest one stops where red alone is too far (the
// remap's search prepares a cell of candidates per colour looked up: for a
// few thousand buckets, a sixth of the export's time).
class EntriesByRed {
public:
    explicit EntriesByRed(const GifFramePalette& palette) : m_colours(palette.colours) {
        for (int i = 0; i < palette.count; ++i) {
            if (i == palette.maskIndex) continue;
            const GifRgb& c = palette.colours[size_t(i)];
            m_entries.push_back({c.red, c.green, c.blue, i});
        }
        std::sort(m_entries.begin(), m_entries.end(),
                  [](const Entry& a, const Entry& b) { return a.red != b.red ? a.red < b.red : a.index < b.index; });
    }
    bool Empty() const { return m_entries.empty(); }
    // likely: an entry that is probably the nearest (the last round's), or -1;
    // starting from its distance, the search stops sooner.
    int Nearest(int red, int green, int blue, int likely = -1) const {
        const auto from = std::lower_bound(m_entries.begin(), m_entries.end(), red,
                                           [](const Entry& e, int r) { return e.red < r; });
        int best = INT_MAX, index = m_entries.front().index;
        if (likely >= 0) {
            const GifRgb& c = m_colours[size_t(likely)];
            const int dr = c.red - red, dg = c.green - green, db = c.blue - blue;
            best = dr * dr + dg * dg + db * db + 1;
            index = likely;
        }
        auto consider = [&](const Entry& e) {
            const int dr = e.red - red;
            if (dr * dr >= best) return false;
            const int dg = e.green - green, db = e.blue - blue, d = dr * dr + dg * dg + db * db;
            if (d < best || (d == best && e.index < index)) best = d, index = e.index;
            return true;
        };
        for (auto e = from; e != m_entries.end() && consider(*e); ++e) {}
        for (auto e = from; e != m_entries.begin() && consider(*std::prev(e)); --e) {}
        return index;
    }

private:
    struct Entry {
        int red, green, blue, index;
    };
    std::vector<Entry> m_entries;
    std::array<GifRgb, 256> m_colours;  // by index
};

// Rounds of Lloyd's refinement over a frame's bucketed colours: each entry
// moves to the mean of the colours nearest to it, until none moves. At the
// speeds later frames are quantised at, libimagequant stops after one round;
// three more raise video-like frames' PSNR by 0.37 dB, and three after them
// by another 0.07 dB for 3 % of the time (each bucket's search starts from
// its entry of the round before). The transparent entry stays.
constexpr int kRefineRounds = 6;

void RefineOverBuckets(const std::vector<liq_histogram_entry>& buckets, int rounds, GifFramePalette& palette) {
    if (buckets.empty()) return;  // a palette chosen from a sample
    std::vector<int> nearest(buckets.size(), -1);  // each bucket's entry in the last round
    for (int round = 0; round < rounds; ++round) {
        const EntriesByRed search(palette);
        if (search.Empty()) return;
        std::array<std::array<double, 4>, 256> sums{};  // red, green, blue, count
        for (size_t i = 0; i < buckets.size(); ++i) {
            const liq_histogram_entry& bucket = buckets[i];
            nearest[i] = search.Nearest(bucket.color.r, bucket.color.g, bucket.color.b, nearest[i]);
            std::array<double, 4>& sum = sums[size_t(nearest[i])];
            sum[0] += double(bucket.color.r) * bucket.count;
            sum[1] += double(bucket.color.g) * bucket.count;
            sum[2] += double(bucket.color.b) * bucket.count;
            sum[3] += bucket.count;
        }
        bool moved = false;
        for (int i = 0; i < palette.count; ++i) {
            const std::array<double, 4>& sum = sums[size_t(i)];
            if (i == palette.maskIndex || sum[3] == 0) continue;
            auto mean = [&](int c) { return static_cast<unsigned char>(std::lround(sum[size_t(c)] / sum[3])); };
            const GifRgb refined{mean(0), mean(1), mean(2)};
            GifRgb& entry = palette.colours[size_t(i)];
            moved |= refined.red != entry.red || refined.green != entry.green || refined.blue != entry.blue;
            entry = refined;
        }
        if (!moved) return;
    }
}

// A palette chosen by libimagequant from the frame's bucketed colours or from
// a sample of them. Its maskIndex is its entry for pixels of alpha 0; false
// on failure.
bool ChoosePalette(const liq_color* rgba, int width, int height, const QuantizeSettings& settings,
                   GifFramePalette& palette) {
    LiqPtr<liq_attr> attr = SingleThreadAttr(settings);
    if (!attr) return false;
    const size_t pixels = size_t(width) * height;
    const bool anyClear = std::any_of(rgba, rgba + pixels, [](const liq_color& c) { return c.a == 0; });
    std::vector<liq_histogram_entry> buckets;
    const LiqPtr<liq_result> result =
        settings.bucketBits > 0 ? QuantizeBuckets(rgba, pixels, anyClear, attr.get(), settings.bucketBits, buckets)
                                : QuantizeSample(rgba, width, height, anyClear, attr.get(), settings);
    if (!result) return false;
    const liq_palette* reduced = liq_get_palette(result.get());
    if (!reduced || reduced->count == 0 || reduced->count > 256) return false;

    palette = GifFramePalette();
    palette.count = static_cast<int>(reduced->count);
    for (int i = 0; i < palette.count; ++i) {
        const liq_color& c = reduced->entries[i];
        palette.colours[size_t(i)] = GifRgb{c.r, c.g, c.b};
        if (c.a < 128 && palette.maskIndex == -1) palette.maskIndex = i;
    }
    RefineOverBuckets(buckets, kRefineRounds, palette);
    return true;
}

// The palettes of the last few large quantisations, so that the same frame
// quantised again the same way (frame 0 in every estimate of a size search,
// or of the live estimate after an edit elsewhere) is not quantised twice;
// the palette depends on nothing else, so a copy is as good as a new one. The
// pixels are mapped anew: the dithering differs between lossy levels.
class RecentPalettes {
public:
    bool Find(const unsigned char* rgba, int width, int height, const QuantizeSettings& settings,
              GifFramePalette& palette) {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto entry = m_entries.begin(); entry != m_entries.end(); ++entry) {
            if (!entry->Matches(rgba, width, height, settings)) continue;
            palette = entry->palette;
            m_entries.splice(m_entries.begin(), m_entries, entry);
            return true;
        }
        return false;
    }

    void Keep(const unsigned char* rgba, int width, int height, const QuantizeSettings& settings,
              const GifFramePalette& palette) {
        Entry entry{std::vector<unsigned char>(rgba, rgba + 4 * size_t(width) * height), width, height, settings,
                    palette};
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries.push_front(std::move(entry));
        if (m_entries.size() > kEntries) m_entries.pop_back();
    }

    // Only quantisations that cost far more than the copy and the comparison
    // (frame 0's at the standard quality, speed 5, and every one at the best),
    // of frames up to 1920 x 1080, so that what is kept stays near 20 MB.
    static bool Worth(int width, int height, const QuantizeSettings& settings) {
        const double pixels = double(width) * height;
        return settings.speed <= 5 && pixels >= 256.0 * 256.0 && pixels <= 1920.0 * 1088.0;
    }

private:
    static constexpr size_t kEntries = 2;
    struct Entry {
        std::vector<unsigned char> rgba;
        int width, height;
        QuantizeSettings settings;
        GifFramePalette palette;

        // The settings that choose the palette.
        bool Matches(const unsigned char* other, int w, int h, const QuantizeSettings& s) const {
            return w == width && h == height && s.speed == settings.speed &&
                   s.bucketBits == settings.bucketBits && s.samplePixels == settings.samplePixels && s.maxColours == settings.maxColours &&
                   s.targetQuality == settings.targetQuality &&
                   std::memcmp(other, rgba.data(), rgba.size()) == 0;
        }
    };
    std::mutex m_mutex;
    std::list<Entry> m_entries;  // newest first
};

}  // namespace

FramePlacement PlaceOnCanvas(int pictureWidth, int pictureHeight,
                             int canvasWidth, int canvasHeight) {
    FramePlacement place;
    place.width = pictureWidth;
    place.height = pictureHeight;
    if (pictureWidth <= 0 || pictureHeight <= 0 || canvasWidth <= 0 || canvasHeight <= 0)
        return place;
    const double sx = double(canvasWidth) / pictureWidth;
    const double sy = double(canvasHeight) / pictureHeight;
    if (sx < 1 || sy < 1) {
        const double f = std::min(sx, sy);
        // Truncated like the scale factor's product; a very thin picture still
        // keeps one pixel.
        place.width = std::max(1, static_cast<int>(pictureWidth * f));
        place.height = std::max(1, static_cast<int>(pictureHeight * f));
        place.scaled = true;
    }
    place.x = (canvasWidth - place.width) / 2;
    place.y = (canvasHeight - place.height) / 2;
    return place;
}

FrameTurn FrameTurn::RotatedRight() const {
    // Turning after a mirror turns the other way before it.
    return FrameTurn{(quarterTurns + (mirrored ? 3 : 1)) % 4, mirrored};
}

FrameTurn FrameTurn::RotatedLeft() const { return FrameTurn{(quarterTurns + (mirrored ? 1 : 3)) % 4, mirrored}; }

FrameTurn FrameTurn::FlippedHorizontally() const { return FrameTurn{quarterTurns, !mirrored}; }

// Upside down is a half turn mirrored.
FrameTurn FrameTurn::FlippedVertically() const { return FrameTurn{(quarterTurns + 2) % 4, !mirrored}; }

wxRect FrameDrawing::Region() const {
    const wxRect whole(wxPoint(0, 0), plane);
    if (crop.IsEmpty()) return whole;
    const wxRect region = crop.Intersect(whole);
    return region.IsEmpty() ? whole : region;
}

wxSize FrameDrawing::TurnedRegionSize() const {
    const wxSize size = Region().GetSize();
    return turn.Sideways() ? wxSize(size.y, size.x) : size;
}

wxRect FitOnCanvas(const wxSize& region, const wxSize& canvas) {
    if (region.x <= 0 || region.y <= 0) return wxRect(wxPoint(0, 0), canvas);
    const double fx = double(canvas.x) / region.x;
    const double fy = double(canvas.y) / region.y;
    // A canvas sized from the region's aspect was rounded to whole pixels:
    // it is filled, not given a bar of one pixel.
    if (std::abs(region.y * fx - canvas.y) <= 1 || std::abs(region.x * fy - canvas.x) <= 1)
        return wxRect(wxPoint(0, 0), canvas);
    const double f = std::min(fx, fy);
    const int width = std::clamp(int(std::lround(region.x * f)), 1, canvas.x);
    const int height = std::clamp(int(std::lround(region.y * f)), 1, canvas.y);
    return wxRect((canvas.x - width) / 2, (canvas.y - height) / 2, width, height);
}

namespace {

// The part of the plane the drawing keeps, with the picture placed on it:
// the picture itself when it covers the part opaquely, else with alpha, 0
// where the picture leaves the part free or is masked.
wxImage RegionOf(const wxImage& placed, const wxPoint& at, const wxRect& region) {
    const wxRect pictureRect(at, placed.GetSize());
    const bool plain = !placed.HasMask() && !placed.HasAlpha();
    if (plain && pictureRect.Contains(region)) {
        if (pictureRect == region) return placed;
        return placed.GetSubImage(wxRect(region.GetPosition() - at, region.GetSize()));
    }
    wxImage part(region.GetSize(), true);
    if (!part.IsOk()) return part;
    part.SetAlpha();
    if (!part.HasAlpha()) return wxImage();
    std::memset(part.GetAlpha(), 0, size_t(region.width) * region.height);
    const wxRect covered = pictureRect.Intersect(region);
    if (covered.IsEmpty()) return part;
    const bool masked = placed.HasMask();
    const std::uint32_t mask =
        masked ? PackRgb(placed.GetMaskRed(), placed.GetMaskGreen(), placed.GetMaskBlue()) : 0;
    const unsigned char* alpha = placed.HasAlpha() ? placed.GetAlpha() : nullptr;
    for (int row = covered.y; row < covered.GetBottom() + 1; ++row) {
        const size_t src = size_t(row - at.y) * placed.GetWidth() + (covered.x - at.x);
        const size_t dst = size_t(row - region.y) * region.width + (covered.x - region.x);
        const unsigned char* from = placed.GetData() + 3 * src;
        std::memcpy(part.GetData() + 3 * dst, from, 3 * size_t(covered.width));
        unsigned char* a = part.GetAlpha() + dst;
        for (int i = 0; i < covered.width; ++i, from += 3) {
            const bool clear = masked && PackRgb(from[0], from[1], from[2]) == mask;
            a[i] = clear ? 0 : alpha ? alpha[src + size_t(i)] : 255;
        }
    }
    return part;
}

wxImage Turned(wxImage image, const FrameTurn& turn) {
    switch (turn.quarterTurns) {
        case 1: image = image.Rotate90(true); break;
        case 2: image = image.Rotate180(); break;
        case 3: image = image.Rotate90(false); break;
        default: break;
    }
    return turn.mirrored ? image.Mirror(true) : image;
}

wxImage RenderPicture(const wxImage& picture, const FrameDrawing& drawing, unsigned char* holes) {
    const wxSize canvasSize = drawing.canvas;
    wxImage canvas(canvasSize, true);
    if (!canvas.IsOk()) return wxImage();  // out of memory
    const FramePlacement place =
        PlaceOnCanvas(picture.GetWidth(), picture.GetHeight(), drawing.plane.x, drawing.plane.y);
    const wxImage placed = place.scaled ? ResamplePicture(picture, place.width, place.height) : picture;
    if (!placed.IsOk()) return wxImage();
    const wxRect region = drawing.Region();
    const wxRect target = FitOnCanvas(drawing.TurnedRegionSize(), canvasSize);
    const wxPoint at(place.x, place.y);
    if (drawing.turn.IsNone() && target.GetSize() == region.GetSize() && !place.scaled) {
        // Nothing to turn or resample: the picture goes straight onto the canvas.
        Trace("thumbnail-3");
        DrawOnBlack(canvas, placed, at.x - region.x + target.x, at.y - region.y + target.y, holes);
        Trace("image");
        Trace("m_bitmap");
        Trace("Rescale");
        return canvas;
    }
    Trace("thumbnail-1");
    wxImage part = RegionOf(placed, at, region);
    if (!part.IsOk()) return wxImage();
    part = Turned(std::move(part), drawing.turn);
    if (part.GetSize() != target.GetSize()) part = ResamplePicture(part, target.width, target.height);
    if (!part.IsOk()) return wxImage();
    const bool bars = part.GetSize() != canvasSize || place.width < region.width || place.height < region.height;
    if (bars) Trace("thumbnail-2");
    DrawOnBlack(canvas, part, target.x, target.y, holes);
    if (bars) Trace("Rescale");
    return canvas;
}

// The picture, then what is written over it.
wxImage Render(const wxImage& picture, const FrameDrawing& drawing, unsigned char* holes) {
    wxImage canvas = RenderPicture(picture, drawing, holes);
    if (canvas.IsOk() && !drawing.captions.empty())
        DrawCaptions(canvas.GetData(), drawing.canvas, drawing.captionCanvas, drawing.captions, holes);
    return canvas;
}

// The picture alone, on a plane the canvas's size: placed as before crops and turns.
FrameDrawing PlainDrawing(int canvasWidth, int canvasHeight) {
    FrameDrawing drawing;
    drawing.plane = drawing.canvas = wxSize(canvasWidth, canvasHeight);
    return drawing;
}

}  // namespace

wxImage DrawFrame(const wxImage& picture, const FrameDrawing& drawing) {
    if (!picture.IsOk() || drawing.canvas.x <= 0 || drawing.canvas.y <= 0 || drawing.plane.x <= 0 ||
        drawing.plane.y <= 0)
        return wxImage();
    return Render(picture, drawing, nullptr);
}

RenderedFrame DrawFrameWithHoles(const wxImage& picture, const FrameDrawing& drawing) {
    RenderedFrame frame;
    if (!picture.IsOk() || drawing.canvas.x <= 0 || drawing.canvas.y <= 0 || drawing.plane.x <= 0 ||
        drawing.plane.y <= 0)
        return frame;
    frame.holes.assign(size_t(drawing.canvas.x) * size_t(drawing.canvas.y), 1);
    frame.canvas = Render(picture, drawing, frame.holes.data());
    if (!frame.canvas.IsOk()) frame.holes.clear();
    return frame;
}

wxImage RenderFrameForExport(const wxImage& picture, int canvasWidth, int canvasHeight) {
    return DrawFrame(picture, PlainDrawing(canvasWidth, canvasHeight));
}

RenderedFrame RenderFrameWithHoles(const wxImage& picture, int canvasWidth, int canvasHeight) {
    return DrawFrameWithHoles(picture, PlainDrawing(canvasWidth, canvasHeight));
}

bool ChooseRgbaPalette(const unsigned char* rgba, int width, int height, const QuantizeSettings& settings,
                       GifFramePalette& palette) {
    static_assert(sizeof(liq_color) == 4, "liq_color is four bytes of RGBA");
    if (width <= 0 || height <= 0) return false;
    static RecentPalettes recent;
    const bool worth = RecentPalettes::Worth(width, height, settings);
    if (worth && recent.Find(rgba, width, height, settings, palette)) return true;
    if (!ChoosePalette(reinterpret_cast<const liq_color*>(rgba), width, height, settings, palette)) return false;
    if (worth) recent.Keep(rgba, width, height, settings, palette);
    return true;
}

// Our own remapper: several times faster than the library's, with lighter
// dithering that loses no PSNR.
void MapRgba(const unsigned char* rgba, int width, int height, const QuantizeSettings& settings,
             const GifFramePalette& palette, std::vector<unsigned char>& indices) {
    indices.resize(size_t(width) * height);
    PaletteSearch search(palette);
    RemapToPalette(rgba, width, height, palette, RemapDitherOf(settings), indices.data(), search);
}

bool QuantizeRgba(const unsigned char* rgba, int width, int height, const QuantizeSettings& settings,
                  GifFramePalette& palette, std::vector<unsigned char>& indices) {
    if (!ChooseRgbaPalette(rgba, width, height, settings, palette)) return false;
    MapRgba(rgba, width, height, settings, palette, indices);
    return true;
}
