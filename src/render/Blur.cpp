// Stage 4, blur. Separable passes whose inner loops are the vector kernels of BlurKernels.h,
// AVX2 where the processor has it; rows are split across the render call's worker pool.
#include "render/Blur.h"

#include "render/BlurKernels.h"
#include "render/VectorPath.h"
#include "render/Wide.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace lumara::render {

#if defined(LUMARA_AVX2_KERNELS)
extern const BlurKernels kAvx2BlurKernels; // BlurAvx2.cpp
#endif

const BlurKernels& baselineBlurKernels()
{
    static const BlurKernels kernels{&blurAcross<F32x4>, &blurDown<F32x4>, "baseline"};
    return kernels;
}

const BlurKernels* avx2BlurKernels()
{
#if defined(LUMARA_AVX2_KERNELS)
    if (processorHasAvx2()) return &kAvx2BlurKernels;
#endif
    return nullptr;
}

const BlurKernels& blurKernels()
{
    static const BlurKernels& chosen = chosenKernels(baselineBlurKernels(), avx2BlurKernels());
    return chosen;
}

namespace {

// The cells [first, last) of a row of n outside which every cell is zero; first == last when
// all are. Whole blocks of zeros are passed over four cells at a time.
void nonZeroSpan(const float* row, int n, int& first, int& last)
{
    int i = 0;
    while (i + F32x4::lanes <= n && allZero(F32x4::load(row + i))) i += F32x4::lanes;
    while (i < n && row[i] == 0.0f) ++i;
    int j = n;
    while (j - F32x4::lanes >= i && allZero(F32x4::load(row + j - F32x4::lanes))) j -= F32x4::lanes;
    while (j > i && row[j - 1] == 0.0f) --j;
    first = i;
    last = j;
}

} // namespace

Field::Field(double left, double top, int width, int height, int cellSize, int channels)
    : m_left(left), m_top(top), m_inverseCell(1.0 / std::max(cellSize, 1)), m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_cell(std::max(cellSize, 1)), m_channels(channels),
      m_data(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height) * static_cast<std::size_t>(channels),
             0.0f)
{
}

int Field::cellSizeFor(double sigma, double featurePixels)
{
    if (!(sigma > 4.0)) return 1;
    const double bySigma = std::floor(sigma / 3.0);
    const double byFeature = std::floor(featurePixels / 8.0);
    const double cell = std::min({bySigma, std::max(byFeature, 1.0), 1.0e6});
    return std::max(1, static_cast<int>(cell));
}

Field Field::covering(double x0, double y0, double x1, double y1, int cellSize, int channels)
{
    Field field;
    field.cover(x0, y0, x1, y1, cellSize, channels);
    return field;
}

void Field::cover(double x0, double y0, double x1, double y1, int cellSize, int channels, bool cleared)
{
    const double k = std::max(cellSize, 1);
    // One cell of margin on every side, so that bilinear reads at the rectangle's border blend
    // with computed cells rather than with the zero beyond the grid.
    x0 -= k;
    y0 -= k;
    x1 += k;
    y1 += k;
    const double left = std::floor(x0 / k) * k, top = std::floor(y0 / k) * k;
    double w = std::ceil((x1 - left) / k), h = std::ceil((y1 - top) / k);
    if (!(w > 0.0) || !(h > 0.0)) w = h = 0.0;
    w = std::min(w, static_cast<double>(kMaxFieldCells));
    h = std::min(h, static_cast<double>(kMaxFieldCells));
    m_left = left;
    m_top = top;
    m_cell = std::max(cellSize, 1);
    m_inverseCell = 1.0 / m_cell;
    m_width = static_cast<int>(w);
    m_height = static_cast<int>(h);
    m_channels = channels;
    const std::size_t cells = planeSize() * static_cast<std::size_t>(std::max(channels, 0));
    if (cleared) m_data.assign(cells, 0.0f);
    else m_data.resize(cells);
}

void Field::release()
{
    *this = Field();
}

std::size_t Field::capacity() const { return m_data.capacity() + m_scratch.capacity(); }

void Field::blurAfter(double sigma, WorkerPool& pool, const std::function<void(int, int)>* fillRows, bool wholeGrid)
{
    if (empty()) return;
    const BlurKernels& kernels = blurKernels();
    const double k = m_cell;
    const double cellSigma = std::sqrt(std::max(sigma * sigma - (m_cell > 1 ? k * k / 6.0 : 0.0), 0.0)) / k;
    if (!(sigma >= 0.5) || cellSigma < 0.1) {
        if (fillRows) pool.forChunks(m_height, 16, *fillRows);
        return;
    }
    // Taps reach 3 deviations but never further than the grid itself.
    const double reach = std::min(std::ceil(3.0 * cellSigma), static_cast<double>(std::max(m_width, m_height)));
    const int radius = static_cast<int>(reach);
    std::vector<float> weights(static_cast<std::size_t>(radius) + 1);
    double total = 0.0;
    for (int i = 0; i <= radius; ++i) {
        const double w = std::exp(-0.5 * i * i / (cellSigma * cellSigma));
        weights[static_cast<std::size_t>(i)] = static_cast<float>(w);
        total += i == 0 ? w : 2.0 * w;
    }
    // Normalised by the whole kernel, not by the taps inside the grid: what spreads past the grid's
    // border is lost, as it is for a layer with transparent surroundings.
    const double fullKernel = cellSigma * std::sqrt(2.0 * std::numbers::pi);
    const double norm = 1.0 / (3.0 * cellSigma >= reach + 0.5 ? fullKernel : total);
    for (auto& w : weights) w = static_cast<float>(w * norm);

    // One intermediate plane per channel, so that each direction is a single pass over all the
    // channels' rows: two hand-offs to the workers per blur, not two per channel.
    std::vector<float>& scratchPlanes = m_scratch;
    scratchPlanes.resize(planeSize() * static_cast<std::size_t>(m_channels));
    const int W = m_width, H = m_height, channels = m_channels;
    // A layer rarely fills its whole grid. Each row's non-zero cells lie in some span; the first
    // pass computes only the outputs within `radius` of it, and the second only the columns that
    // some row within `radius` above or below can reach. Every output outside those is a sum of
    // zero terms, and every output inside them adds exactly the terms the whole-grid pass adds
    // (empty taps add zero, which leaves a sum as it is): the same bits, less work.
    std::vector<int> spanBegin(static_cast<std::size_t>(H) * static_cast<std::size_t>(channels));
    std::vector<int> spanEnd(spanBegin.size());
    {
        // Horizontal pass: out[x] = w_0 in[x] + sum over j of (w_j in[x + j] + w_j in[x - j]), the
        // terms added in that order and those beyond the row left out. The interior, where every
        // tap is in the row, goes to the vector kernels with no bounds tests.
        pool.forChunks(H, 16, [&](int y0, int y1) {
            if (fillRows) (*fillRows)(y0, y1);
            for (int ch = 0; ch < channels; ++ch) {
                const float* src = plane(ch);
                float* scratch = scratchPlanes.data() + static_cast<std::size_t>(ch) * planeSize();
                for (int y = y0; y < y1; ++y) {
                    const float* in = src + static_cast<std::size_t>(y) * W;
                    float* out = scratch + static_cast<std::size_t>(y) * W;
                    const std::size_t at = static_cast<std::size_t>(ch) * H + static_cast<std::size_t>(y);
                    int first = 0, last = W;
                    if (!wholeGrid) nonZeroSpan(in, W, first, last);
                    const int lo = first < last ? std::max(first - radius, 0) : 0;
                    const int hi = first < last ? std::min(last + radius, W) : 0;
                    spanBegin[at] = lo;
                    spanEnd[at] = hi;
                    std::fill(out, out + lo, 0.0f);
                    std::fill(out + hi, out + W, 0.0f);
                    const int innerBegin = std::min(radius, W), innerEnd = std::max(W - radius, innerBegin);
                    auto edge = [&](int x) {
                        float sum = weights[0] * in[x];
                        for (int j = 1; j <= radius && j < W; ++j) {
                            const float w = weights[static_cast<std::size_t>(j)];
                            if (x + j < W) sum += w * in[x + j];
                            if (x >= j) sum += w * in[x - j];
                        }
                        out[x] = sum;
                    };
                    const int k0 = std::clamp(innerBegin, lo, std::max(hi, lo));
                    const int k1 = std::clamp(innerEnd, k0, std::max(hi, k0));
                    for (int x = lo; x < k0; ++x) edge(x);
                    kernels.across(out + k0, in + k0, weights.data(), radius, k1 - k0);
                    for (int x = k1; x < hi; ++x) edge(x);
                }
            }
        });
        // Vertical pass back into the plane: out = w_0 mid + sum over j of (w_j above + w_j below),
        // in that order, rows beyond the grid left out; a whole row at a time. Outside the columns
        // computed the plane row is already zero: its own non-zero cells lie inside them.
        pool.forChunks(H, 16, [&](int y0, int y1) {
            for (int ch = 0; ch < channels; ++ch) {
                float* src = plane(ch);
                const float* scratch = scratchPlanes.data() + static_cast<std::size_t>(ch) * planeSize();
                const int* begins = spanBegin.data() + static_cast<std::size_t>(ch) * H;
                const int* ends = spanEnd.data() + static_cast<std::size_t>(ch) * H;
                for (int y = y0; y < y1; ++y) {
                    int lo = W, hi = 0;
                    for (int j = std::max(y - radius, 0); j <= std::min(y + radius, H - 1); ++j) {
                        if (begins[j] >= ends[j]) continue;
                        lo = std::min(lo, begins[j]);
                        hi = std::max(hi, ends[j]);
                    }
                    if (lo >= hi) continue;
                    float* out = src + static_cast<std::size_t>(y) * W;
                    const float* mid = scratch + static_cast<std::size_t>(y) * W;
                    kernels.down(out + lo, mid + lo, W, y, H - 1 - y, weights.data(), radius, hi - lo);
                }
            }
        });
    }
}

void Field::sampleRow(int channel, double x0, double y, int count, float* out) const
{
    float* const outs[1] = {out};
    sampleRows(channel, 1, x0, y, count, outs);
}

void Field::sampleRows(int firstChannel, int channels, double x0, double y, int count, float* const* out) const
{
    if (count <= 0) return;
    const double fy = (y - m_top) * m_inverseCell - 0.5;
    if (!(fy > -1.0 && fy < m_height) || m_width <= 0) {
        for (int c = 0; c < channels; ++c) std::fill(out[c], out[c] + count, 0.0f);
        return;
    }
    const int iy = static_cast<int>(fy + 1.0) - 1;
    const float ty = static_cast<float>(fy - iy);
    // The column and weight of each pixel are worked out once for all channels, a block at a time,
    // and each cell column's vertical blend once per channel: a pixel is then the horizontal blend
    // of two of those, the same arithmetic as a bilinear read (sample()) in the same order.
    constexpr int kBlock = kSampleBlock;
    int column[kBlock];
    float weight[kBlock];
    float blended[kBlock + 2];
    for (int i0 = 0; i0 < count; i0 += kBlock) {
        const int n = std::min(kBlock, count - i0);
        int lo = m_width, hi = -2;
        for (int i = 0; i < n; ++i) {
            const double fx = (x0 + 0.5 + (i0 + i) - m_left) * m_inverseCell - 0.5;
            if (!(fx > -1.0 && fx < m_width)) {
                column[i] = kOutside;
                weight[i] = 0.0f;
                continue;
            }
            const int ix = static_cast<int>(fx + 1.0) - 1;
            column[i] = ix;
            weight[i] = static_cast<float>(fx - ix);
            lo = std::min(lo, ix);
            hi = std::max(hi, ix);
        }
        if (channels == 4 && hi >= lo) {
            sampleFour(firstChannel, iy, ty, lo, hi, n, column, weight, out, i0);
            continue;
        }
        for (int c = 0; c < channels; ++c) {
            float* o = out[c] + i0;
            if (hi < lo) {
                std::fill(o, o + n, 0.0f);
                continue;
            }
            // Cell columns lo .. hi + 1 (at most kBlock + 2 of them: pixels are at most a cell apart),
            // zero outside the grid and for a missing row.
            float* col = blended - lo;
            blendCellRows(firstChannel + c, iy, ty, lo, hi, col);
            for (int i = 0; i < n; ++i) {
                const int ix = column[i];
                if (ix == kOutside) {
                    o[i] = 0.0f;
                    continue;
                }
                const float a = col[ix], b = col[ix + 1];
                o[i] = a + (b - a) * weight[i];
            }
        }
    }
}

void Field::blendCellRows(int channel, int iy, float ty, int lo, int hi, float* col) const
{
    const float* upper = iy >= 0 ? row(channel, iy) : nullptr;
    const float* lower = iy + 1 < m_height ? row(channel, iy + 1) : nullptr;
    const int from = std::max(lo, 0), to = std::min(hi + 2, m_width);
    for (int i = lo; i < from; ++i) col[i] = 0.0f;
    if (upper && lower) {
        for (int i = from; i < to; ++i) col[i] = upper[i] + (lower[i] - upper[i]) * ty;
    } else {
        for (int i = from; i < to; ++i) {
            const float a = upper ? upper[i] : 0.0f, b = lower ? lower[i] : 0.0f;
            col[i] = a + (b - a) * ty;
        }
    }
    for (int i = std::max(to, lo); i < hi + 2; ++i) col[i] = 0.0f;
}

void Field::sampleFour(int firstChannel, int iy, float ty, int lo, int hi, int n, const int* column,
                       const float* weight, float* const* out, int i0) const
{
    // The four channels' blended cell columns side by side, so that each pixel is one four-lane
    // blend of two cells: the same arithmetic, lane by lane, as the channel-by-channel loop.
    constexpr int kCells = kSampleBlock + 2;
    float planar[kCells];
    alignas(16) float cells[kCells * 4];
    for (int c = 0; c < 4; ++c) {
        float* col = planar - lo;
        blendCellRows(firstChannel + c, iy, ty, lo, hi, col);
        for (int i = lo; i < hi + 2; ++i) cells[(i - lo) * 4 + c] = col[i];
    }
    auto pixel = [&](int i) {
        const int ix = column[i];
        if (ix == kOutside) return F32x4::splat(0.0f);
        const F32x4 a = F32x4::load(cells + (ix - lo) * 4), b = F32x4::load(cells + (ix - lo + 1) * 4);
        return a + (b - a) * F32x4::splat(weight[i]);
    };
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        F32x4 p0 = pixel(i), p1 = pixel(i + 1), p2 = pixel(i + 2), p3 = pixel(i + 3);
        transpose(p0, p1, p2, p3);
        p0.store(out[0] + i0 + i);
        p1.store(out[1] + i0 + i);
        p2.store(out[2] + i0 + i);
        p3.store(out[3] + i0 + i);
    }
    for (; i < n; ++i) {
        float lanes[4];
        pixel(i).store(lanes);
        for (int c = 0; c < 4; ++c) out[c][i0 + i] = lanes[c];
    }
}

float Field::sampleAtBorder(int channel, int ix, int iy, float tx, float ty) const
{
    const float* p = plane(channel);
    auto at = [&](int i, int j) -> float {
        if (i < 0 || j < 0 || i >= m_width || j >= m_height) return 0.0f;
        return p[static_cast<std::size_t>(j) * m_width + i];
    };
    const float top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * tx;
    const float bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * tx;
    return top + (bottom - top) * ty;
}

} // namespace lumara::render
