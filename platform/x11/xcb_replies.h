// Requests and replies on the XCB connection under an Xlib one, for the
// batched readers of the window facts: each request goes out at once, and
// its reply is taken later (XCB keeps the replies that come meanwhile).
// XCB hands each request's error back with its reply, so nothing here
// reaches the process's X error handler.
#pragma once

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace rt::x11::xcb {

// Properties are read up to this many 32-bit units (256 KiB): a caption is
// read whole, however long.
inline constexpr std::uint32_t kPropertyUnits = 1u << 16;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

// A reply, or null when the request failed (its error is dropped).
template <typename T, typename Cookie, typename Fn>
Reply<T> Take(xcb_connection_t* c, Cookie cookie, Fn replyFn) {
  xcb_generic_error_t* error = nullptr;
  T* reply = replyFn(c, cookie, &error);
  std::free(error);
  return Reply<T>(reply, &std::free);
}

// A property as it came: its type and format, and its items.
struct Property {
  Atom type = None;
  int format = 0;
  std::string bytes;  // format 8
  std::vector<unsigned long> items;  // format 32
};

// The property a GetProperty request read; empty when the window or the
// property was not there.
inline Property TakeProperty(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
  Property p;
  auto reply = Take<xcb_get_property_reply_t>(c, cookie, xcb_get_property_reply);
  if (!reply || reply->type == XCB_NONE) return p;
  p.type = reply->type;
  p.format = reply->format;
  const auto* data = static_cast<const unsigned char*>(xcb_get_property_value(reply.get()));
  int length = xcb_get_property_value_length(reply.get());
  if (p.format == 8) {
    p.bytes.assign(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
  } else if (p.format == 32) {
    const auto* values = reinterpret_cast<const std::uint32_t*>(data);
    p.items.assign(values, values + length / 4);
  }
  return p;
}

// Asks for a property of a window, whole, of that type (AnyPropertyType for
// any).
inline xcb_get_property_cookie_t Ask(xcb_connection_t* c, Window window, Atom property, Atom type) {
  return xcb_get_property(c, 0, static_cast<xcb_window_t>(window), static_cast<xcb_atom_t>(property),
                          static_cast<xcb_atom_t>(type), 0, kPropertyUnits);
}

}  // namespace rt::x11::xcb
