// The still-layer cache: a few looks of each kind, newest last, within a byte budget.
#include "render/StillLayers.h"

#include <algorithm>
#include <bit>

namespace lumara::render {

namespace {

bool same(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

bool same(const std::vector<CodableColor>& a, const std::vector<CodableColor>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const CodableColor& x, const CodableColor& y) {
        return same(x.red, y.red) && same(x.green, y.green) && same(x.blue, y.blue) && same(x.opacity, y.opacity);
    });
}

std::size_t squareBytes(int side) { return static_cast<std::size_t>(side) * static_cast<std::size_t>(side) * sizeof(Px); }

std::size_t bytesFor(const StillLayers::BackgroundKey& key) { return squareBytes(key.side); }

std::size_t bytesFor(const StillLayers::ShadowKey& key)
{
    return static_cast<std::size_t>(key.width) * static_cast<std::size_t>(key.height) * 4 + squareBytes(key.side);
}

std::size_t bytesOf(const StillLayers::BackgroundRows& rows) { return rows.pixels.capacity() * sizeof(Px); }

std::size_t bytesOf(const StillLayers::ShadowPixels& pixels)
{
    return pixels.outside.capacity() + pixels.under.capacity() * sizeof(Px);
}

// The kept entry for `key` (moved to the back, as the newest), or null; on a miss, whether the key
// was asked for before, remembering it otherwise.
template <typename Entry, typename Key>
std::shared_ptr<const Entry> lookUp(std::vector<std::shared_ptr<const Entry>>& kept, std::vector<Key>& seen,
                                    const Key& key, bool& wanted)
{
    wanted = false;
    const auto hit = std::find_if(kept.begin(), kept.end(), [&](const auto& e) { return e->key == key; });
    if (hit != kept.end()) {
        std::rotate(hit, hit + 1, kept.end());
        return kept.back();
    }
    if (bytesFor(key) > StillLayers::kBudgetBytes) return nullptr;
    const auto before = std::find(seen.begin(), seen.end(), key);
    if (before != seen.end()) {
        seen.erase(before);
        wanted = true;
        return nullptr;
    }
    if (seen.size() >= StillLayers::kLooks) seen.erase(seen.begin());
    seen.push_back(key);
    return nullptr;
}

template <typename Entry>
std::shared_ptr<const Entry> insert(std::vector<std::shared_ptr<const Entry>>& kept, Entry entry)
{
    if (kept.size() >= StillLayers::kLooks) kept.erase(kept.begin());
    kept.push_back(std::make_shared<const Entry>(std::move(entry)));
    return kept.back();
}

} // namespace

bool StillLayers::BackgroundKey::operator==(const BackgroundKey& o) const
{
    return side == o.side && same(pixelsPerPoint, o.pixelsPerPoint) && type == o.type && same(colours, o.colours) &&
           same(angle, o.angle) && same(blur, o.blur);
}

bool StillLayers::ShadowKey::operator==(const ShadowKey& o) const
{
    return side == o.side && same(pixelsPerPoint, o.pixelsPerPoint) && same(colours, o.colours) &&
           same(radius, o.radius) && same(originX, o.originX) && same(originY, o.originY) && width == o.width &&
           height == o.height && reduced == o.reduced;
}

StillLayers::StillLayers() = default;
StillLayers::~StillLayers() = default;

std::size_t StillLayers::bytes() const
{
    std::size_t total = 0;
    for (const auto& rows : m_backgrounds) total += bytesOf(*rows);
    for (const auto& pixels : m_shadows) total += bytesOf(*pixels);
    return total;
}

void StillLayers::clear()
{
    m_backgrounds.clear();
    m_shadows.clear();
    m_seenBackgrounds.clear();
    m_seenShadows.clear();
}

std::shared_ptr<const StillLayers::BackgroundRows> StillLayers::background(const BackgroundKey& key, bool& wanted)
{
    return lookUp(m_backgrounds, m_seenBackgrounds, key, wanted);
}

std::shared_ptr<const StillLayers::ShadowPixels> StillLayers::shadow(const ShadowKey& key, bool& wanted)
{
    return lookUp(m_shadows, m_seenShadows, key, wanted);
}

std::shared_ptr<const StillLayers::BackgroundRows> StillLayers::keep(BackgroundRows rows)
{
    ++m_computed.backgrounds;
    auto kept = insert(m_backgrounds, std::move(rows));
    trim();
    return kept;
}

std::shared_ptr<const StillLayers::ShadowPixels> StillLayers::keep(ShadowPixels pixels)
{
    ++m_computed.shadows;
    auto kept = insert(m_shadows, std::move(pixels));
    trim();
    return kept;
}

void StillLayers::trim()
{
    // The oldest looks go first, backgrounds before shadows (a shadow costs more to compute).
    while (bytes() > kBudgetBytes) {
        if (!m_backgrounds.empty()) m_backgrounds.erase(m_backgrounds.begin());
        else if (!m_shadows.empty()) m_shadows.erase(m_shadows.begin());
        else break;
    }
}

} // namespace lumara::render
