#include "vxr/console/x11/x11_resources.h"

#include <cstdint>
#include <cstdlib>
#include <limits>

#include "vxr/console/placement/output_scale.h"

namespace vxr {
namespace {

// More than any session's resources: the property is read in one request.
constexpr std::uint32_t LONGEST_PROPERTY_WORDS = 1u << 16;
constexpr double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();

std::string_view trimmed(std::string_view text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The decimal number a resource value spells ("192", "-5", "144.5"), NaN
// where it spells none ("96dpi", "", "."). Read by hand: strtod would follow
// the program's locale, and a DPI is written with a point whatever it is.
double numberIn(std::string_view value)
{
    const bool negative = !value.empty() && value.front() == '-';
    if (!value.empty() && (value.front() == '-' || value.front() == '+')) value.remove_prefix(1);
    double number = 0.0, place = 1.0;
    bool digits = false, fraction = false;
    for (char c : value) {
        if (c == '.' && !fraction) {
            fraction = true;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            if (fraction)
                number += (place /= 10.0) * (c - '0');
            else
                number = number * 10.0 + (c - '0');
        } else {
            return NOT_A_NUMBER;
        }
    }
    if (!digits) return NOT_A_NUMBER;
    return negative ? -number : number;
}

}  // namespace

bool X11Resources::find(std::string_view resources, std::string_view name, std::string_view& value)
{
    bool found = false;
    while (!resources.empty()) {
        const std::size_t end = resources.find('\n');
        const std::string_view line = resources.substr(0, end);
        resources = end == std::string_view::npos ? std::string_view{} : resources.substr(end + 1);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || trimmed(line.substr(0, colon)) != name) continue;
        value = trimmed(line.substr(colon + 1));
        found = true;
    }
    return found;
}

double X11Resources::reportedScale(std::string_view resources)
{
    std::string_view dpi;
    // Xft's own lookup takes the loose binding too; xrdb keeps it as written.
    if (!find(resources, "Xft.dpi", dpi) && !find(resources, "Xft*dpi", dpi)) return 1.0;
    return numberIn(dpi) / BASE_DPI;
}

double X11Resources::settle(double reported)
{
    return OutputScale::settle(reported, "the X resource Xft.dpi");
}

double X11Resources::readReportedScale(xcb_connection_t* link, xcb_window_t root)
{
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(link,
                               xcb_get_property(link, 0, root, XCB_ATOM_RESOURCE_MANAGER,
                                                XCB_ATOM_STRING, 0, LONGEST_PROPERTY_WORDS),
                               nullptr);
    double scale = 1.0;
    if (reply && reply->format == 8) {
        const int length = xcb_get_property_value_length(reply);
        if (length > 0)
            scale = reportedScale(
                std::string_view(static_cast<const char*>(xcb_get_property_value(reply)),
                                 static_cast<std::size_t>(length)));
    }
    std::free(reply);
    return scale;
}

}  // namespace vxr
