#include "platform/linux/CgroupUnit.h"

#include <glib.h>

#include <algorithm>

namespace headroom {

namespace {

enum class UnitKind { Scope, Service, Slice, Other };

UnitKind unitKind(std::string_view name, std::string_view& stem) {
    for (const auto& [suffix, kind] :
         {std::pair<std::string_view, UnitKind>{".scope", UnitKind::Scope},
          {".service", UnitKind::Service},
          {".slice", UnitKind::Slice}}) {
        if (name.size() > suffix.size() && name.ends_with(suffix)) {
            stem = name.substr(0, name.size() - suffix.size());
            return kind;
        }
    }
    stem = name;
    return UnitKind::Other;
}

constexpr std::size_t kUuidLength = 36;

/// `body` without its trailing "-" and dashed UUID (8-4-4-4-12 hex digits), as some launchers
/// write RANDOM; nothing when it ends with none.
std::optional<std::string_view> withoutDashedUuid(std::string_view body) {
    if (body.size() < kUuidLength + 1 || body[body.size() - kUuidLength - 1] != '-' ||
        !g_uuid_string_is_valid(std::string(body.substr(body.size() - kUuidLength)).c_str())) {
        return std::nullopt;
    }
    return body.substr(0, body.size() - kUuidLength - 1);
}

/// The body of a scope without its RANDOM; nothing when nothing would be left.
std::optional<std::string_view> withoutScopeRandom(std::string_view body) {
    if (const auto stem = withoutDashedUuid(body)) {
        return stem;
    }
    // With no dash at all, npos + 1 is 0: a body without RANDOM is taken leniently as the id.
    const auto dash = body.rfind('-');
    if (dash == 0 || dash + 1 == body.size()) {
        return std::nullopt;
    }
    return body.substr(0, dash);
}

/// The body of a service without its instance (`@RANDOM`) or the old `-autostart` suffix.
std::string_view withoutServiceInstance(std::string_view body) {
    if (const auto at = body.find('@'); at != std::string_view::npos) {
        body = body.substr(0, at);
    }
    constexpr std::string_view kAutostart = "-autostart";
    if (body.size() > kAutostart.size() && body.ends_with(kAutostart)) {
        body.remove_suffix(kAutostart.size());
    }
    return body;
}

/// Candidates from `[<launcher>-]<id>` split at its literal dashes (escaped ones are \x2d
/// and stay inside a segment): one segment of launcher first, then none, then longer ones.
std::vector<std::string> candidatesOf(std::string_view body) {
    std::vector<std::string_view> segments;
    for (std::size_t start = 0, dash = 0; dash != std::string_view::npos; start = dash + 1) {
        dash = body.find('-', start);
        const std::string_view segment = body.substr(start, dash - start);
        // A D-Bus unique name (":1.42") between launcher and id is not part of either.
        if (!segment.empty() && segment.front() != ':') {
            segments.push_back(segment);
        }
    }
    std::vector<std::string> candidates;
    for (std::size_t n = 0; n < std::max<std::size_t>(segments.size(), 2); ++n) {
        const std::size_t first = n < 2 ? 1 - n : n;  // 1, 0, 2, 3, ...
        if (first < segments.size()) {
            std::string joined(segments[first]);
            for (std::size_t i = first + 1; i < segments.size(); ++i) {
                (joined += '-') += segments[i];
            }
            candidates.push_back(unescapeUnitName(joined));
        }
    }
    return candidates;
}

/// `snap.<snap>.<app>[-<uuid>].scope`: snapd installs the desktop entry as <snap>_<app>.
std::optional<AppUnit> snapUnit(std::string_view unitName, std::string_view stem) {
    std::string_view body = stem.substr(5);
    body = withoutDashedUuid(body).value_or(body);
    const auto dot = body.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == body.size()) {
        return std::nullopt;
    }
    const std::string snap = unescapeUnitName(body.substr(0, dot));
    const std::string app = unescapeUnitName(body.substr(dot + 1));
    return AppUnit{std::string(unitName), {snap + "_" + app, snap}, false};
}

}  // namespace

std::optional<std::string> AppUnit::applicationId(
    const std::function<bool(std::string_view)>& isKnown) const {
    for (const std::string& candidate : candidates) {
        if (isKnown(candidate)) {
            return candidate;
        }
    }
    if (requiresKnownId || candidates.empty()) {
        return std::nullopt;
    }
    return candidates.front();
}

std::string unescapeUnitName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            const int high = g_ascii_xdigit_value(name[i + 2]);
            const int low = g_ascii_xdigit_value(name[i + 3]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 3;
                continue;
            }
        }
        out += name[i];
    }
    return out;
}

std::optional<AppUnit> parseAppUnitName(std::string_view unitName) {
    std::string_view stem;
    const UnitKind kind = unitKind(unitName, stem);
    if (kind == UnitKind::Other) {
        return std::nullopt;
    }
    if (stem.starts_with("snap.")) {
        return kind == UnitKind::Scope ? snapUnit(unitName, stem) : std::nullopt;
    }
    AppUnit unit;
    unit.unit = std::string(unitName);
    std::string_view body;
    if (stem.starts_with("app-")) {
        body = stem.substr(4);
    } else if (stem.starts_with("flatpak-") && kind == UnitKind::Scope) {
        body = stem.substr(8);
    } else if (stem.starts_with("dbus-:") && kind == UnitKind::Service) {
        body = stem.substr(5);
        unit.requiresKnownId = true;
    } else {
        return std::nullopt;
    }
    if (kind != UnitKind::Scope) {
        body = withoutServiceInstance(body);
    } else if (const auto id = withoutScopeRandom(body)) {
        body = *id;
    } else {
        return std::nullopt;
    }
    unit.candidates = candidatesOf(body);
    if (unit.candidates.empty()) {
        return std::nullopt;
    }
    return unit;
}

std::optional<AppUnit> appUnitOfCgroupPath(std::string_view path) {
    bool belowService = false;  // the innermost unit seen so far is a plain service
    while (!path.empty()) {
        const auto slash = path.rfind('/');
        const std::string_view component =
            slash == std::string_view::npos ? path : path.substr(slash + 1);
        path = slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash);
        if (component.empty()) {
            continue;
        }
        std::string_view stem;
        const UnitKind kind = unitKind(component, stem);
        if (kind == UnitKind::Other) {
            continue;  // a sub-cgroup of a unit, or a unit type that is not ours to read
        }
        auto unit = parseAppUnitName(component);
        if (kind == UnitKind::Slice) {
            // Only a service's own slice can name its application.
            return belowService ? unit : std::nullopt;
        }
        if (unit) {
            return unit;
        }
        if (kind == UnitKind::Scope || belowService) {
            return std::nullopt;  // a scope, or a service in a service: not an application
        }
        belowService = true;
    }
    return std::nullopt;
}

std::optional<AppUnit> appUnitOfCgroupFile(std::string_view text) {
    // Lines of "hierarchy-ID:controller-list:cgroup-path" (the path may itself hold ':'): the
    // first of the unified hierarchy ("0::") decides, then the first of systemd's own.
    for (const std::string_view controllers : {"", "name=systemd"}) {
        for (std::string_view rest = text; !rest.empty();) {
            const auto newline = rest.find('\n');
            std::string_view line = rest.substr(0, newline);
            rest =
                newline == std::string_view::npos ? std::string_view{} : rest.substr(newline + 1);
            const auto colon = line.find(':');
            if (colon == std::string_view::npos ||
                (controllers.empty() && line.substr(0, colon) != "0")) {
                continue;
            }
            line.remove_prefix(colon + 1);
            if (line.starts_with(controllers) && line.substr(controllers.size()).starts_with(':')) {
                if (auto unit = appUnitOfCgroupPath(line.substr(controllers.size() + 1))) {
                    return unit;
                }
                break;
            }
        }
    }
    return std::nullopt;
}

}  // namespace headroom
