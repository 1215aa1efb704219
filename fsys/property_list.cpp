#include "fsys/property_list.h"

#include <pthread.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quillmere {
namespace {

// libplist parses and frees nested containers recursively, using some
// 100–200 bytes of stack per level. Within kMaxPropertyListBytes a binary
// list can nest ~150,000 levels, which overflows an 8 MiB main stack and
// any smaller thread stack (512 KiB on macOS). Parsing runs on a thread of
// its own whose stack is large enough for the worst case; the pages are only
// committed as far as a file actually nests.
constexpr std::size_t kParserStackBytes = std::size_t(64) << 20;

// libplist's binary reader also checks each container against the whole chain
// above it, so parsing time grows with the square of the depth: 100,000 levels
// take half a minute. Real bundle lists nest a handful of levels; anything
// deeper than this is refused before the parser sees it.
constexpr int kMaxNesting = 512;

// libplist builds a copy of a binary list's object at every reference to it,
// so a few hundred bytes of A[i] = [A[i+1], A[i+1]] expand into billions of
// nodes. The nodes a list would become are counted before parsing and a list
// beyond this many is refused. Each node costs the parser about 120 bytes and
// a microsecond or more: 2^17 nodes take some 0.2 s and 16 MB, 10^6 take 1.5 s
// and 115 MB, too much for a file that every scan may read. This is about what
// kMaxPropertyListBytes of XML can hold anyway; a real Info.plist or launchd
// job has a few thousand.
constexpr std::uint64_t kMaxNodes = std::uint64_t(1) << 17;

uint64_t readBigEndian(std::string_view bytes, std::size_t at, std::size_t width) {
  uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// Checks the container structure of a binary list ("bplist0…") without
// reading any values: true when every reference lies inside the object table,
// there is no cycle, containers nest at most kMaxNesting deep, and the list
// expands into at most kMaxNodes nodes.
bool binaryListFitsBudget(std::string_view bytes) {
  constexpr std::size_t kHeader = 8, kTrailer = 32;
  if (bytes.size() < kHeader + kTrailer) return false;
  const std::size_t trailer = bytes.size() - kTrailer;
  const std::size_t offsetSize = static_cast<unsigned char>(bytes[trailer + 6]);
  const std::size_t refSize = static_cast<unsigned char>(bytes[trailer + 7]);
  const uint64_t objectCount = readBigEndian(bytes, trailer + 8, 8);
  const uint64_t topObject = readBigEndian(bytes, trailer + 16, 8);
  const uint64_t tableOffset = readBigEndian(bytes, trailer + 24, 8);
  if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || objectCount == 0 ||
      objectCount > bytes.size() || topObject >= objectCount || tableOffset > trailer ||
      (trailer - tableOffset) / offsetSize < objectCount)
    return false;

  // The references held by container `object`: [first, first + count * refSize).
  enum : unsigned char { Unseen, Open, Done };
  struct Children {
    std::size_t first = 0;
    uint64_t count = 0;
    bool valid = false;
  };
  auto childrenOf = [&](uint64_t object) {
    Children children;
    const uint64_t offset = readBigEndian(bytes, std::size_t(tableOffset + object * offsetSize), offsetSize);
    if (offset < kHeader || offset >= tableOffset) return children;
    const unsigned char marker = static_cast<unsigned char>(bytes[offset]);
    const unsigned kind = marker >> 4;
    children.valid = true;
    if (kind != 0xA && kind != 0xC && kind != 0xD) return children;  // not a container
    uint64_t count = marker & 0x0F;
    std::size_t at = std::size_t(offset) + 1;
    if (count == 0x0F) {  // the count follows as an integer object
      if (at >= tableOffset) return Children{};
      const unsigned char intMarker = static_cast<unsigned char>(bytes[at]);
      const std::size_t width = std::size_t(1) << (intMarker & 0x0F);
      if ((intMarker >> 4) != 0x1 || width > 8 || at + 1 + width > tableOffset) return Children{};
      count = readBigEndian(bytes, at + 1, width);
      at += 1 + width;
    }
    if (kind == 0xD) count *= 2;  // keys, then values
    if (count > (tableOffset - at) / refSize) return Children{};
    children.first = at;
    children.count = count;
    return children;
  };

  // Iterative depth-first walk. Each object's height (the levels of containers
  // from it down) and size (the nodes it expands into) are settled once, so
  // shared objects cost nothing extra to walk and still count fully wherever
  // they are reached.
  std::vector<unsigned char> state(std::size_t(objectCount), Unseen);
  std::vector<uint16_t> height(std::size_t(objectCount), 0);
  std::vector<uint32_t> size(std::size_t(objectCount), 0);
  struct Frame {
    uint64_t object;
    Children children;
    uint64_t next = 0;
    uint16_t tallestChild = 0;
    uint64_t nodes = 1;  // itself and its children's expansions so far
  };
  std::vector<Frame> path;
  auto enter = [&](uint64_t object) {
    Children children = childrenOf(object);
    if (!children.valid || path.size() >= std::size_t(kMaxNesting)) return false;
    state[std::size_t(object)] = Open;
    path.push_back(Frame{object, children});
    return true;
  };
  if (!enter(topObject)) return false;
  while (!path.empty()) {
    Frame& frame = path.back();
    if (frame.next == frame.children.count) {
      const uint16_t settled = uint16_t(frame.tallestChild + 1);
      const uint64_t nodes = frame.nodes;
      state[std::size_t(frame.object)] = Done;
      height[std::size_t(frame.object)] = settled;
      size[std::size_t(frame.object)] = uint32_t(nodes);
      path.pop_back();
      if (!path.empty()) {
        path.back().tallestChild = std::max(path.back().tallestChild, settled);
        if ((path.back().nodes += nodes) > kMaxNodes) return false;
      }
      continue;
    }
    const uint64_t child = readBigEndian(bytes, frame.children.first + std::size_t(frame.next++) * refSize, refSize);
    if (child >= objectCount || state[std::size_t(child)] == Open) return false;  // dangling or a cycle
    if (state[std::size_t(child)] == Unseen) {
      if (!enter(child)) return false;
    } else {
      if (path.size() + height[std::size_t(child)] > std::size_t(kMaxNesting)) return false;
      frame.tallestChild = std::max(frame.tallestChild, height[std::size_t(child)]);
      if ((frame.nodes += size[std::size_t(child)]) > kMaxNodes) return false;
    }
  }
  return true;
}

// The same budget for an XML list, whose elements the parser turns into one
// node each: elements are counted and their nesting measured from the tags
// alone. Anything that is no well-formed tag is left to the parser to refuse.
bool xmlListFitsBudget(std::string_view text) {
  std::uint64_t nodes = 0;
  int depth = 0;
  for (std::size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at)) {
    const std::string_view rest = text.substr(at);
    std::string_view closer = ">";
    if (rest.starts_with("<!--")) closer = "-->";
    else if (rest.starts_with("<![CDATA[")) closer = "]]>";
    else if (rest.starts_with("<?")) closer = "?>";
    const std::size_t end = text.find(closer, at + 1);
    if (end == std::string_view::npos) return true;  // unterminated: the parser refuses it
    const std::string_view tag = text.substr(at, end - at + closer.size());
    at = end + closer.size();
    if (closer != ">" || tag.starts_with("<!")) continue;  // comment, CDATA, declaration, DOCTYPE
    if (tag.starts_with("</")) {
      --depth;
      continue;
    }
    if (++nodes > kMaxNodes) return false;
    if (!tag.ends_with("/>") && ++depth > kMaxNesting) return false;
  }
  return true;
}

struct ParseJob {
  std::string_view bytes;
  const std::function<void(plist_t)>* read;
  bool isDictionary = false;
};

void* parseOnThisThread(void* argument) {
  auto* job = static_cast<ParseJob*>(argument);
  plist_t root = nullptr;  // libplist ignores a non-null out-parameter
  plist_from_memory(job->bytes.data(), uint32_t(job->bytes.size()), &root);
  if (!root) return nullptr;
  if (plist_get_node_type(root) == PLIST_DICT) {
    job->isDictionary = true;
    (*job->read)(root);
  }
  plist_free(root);
  return nullptr;
}

}  // namespace

bool readPropertyListDictionary(std::string_view bytes, const std::function<void(plist_t)>& read) {
  if (bytes.empty() || bytes.size() > kMaxPropertyListBytes) return false;
  if (bytes.starts_with("bplist") ? !binaryListFitsBudget(bytes) : !xmlListFitsBudget(bytes)) return false;
  ParseJob job{bytes, &read};
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  pthread_t thread;
  bool started = pthread_attr_setstacksize(&attributes, kParserStackBytes) == 0 &&
                 pthread_create(&thread, &attributes, parseOnThisThread, &job) == 0;
  pthread_attr_destroy(&attributes);
  // Without the large stack a hostile file could crash us: treat it as unreadable.
  if (!started) return false;
  pthread_join(thread, nullptr);
  return job.isDictionary;
}

plist_t lastValueOf(plist_t dictionary, const char* key) {
  plist_t found = nullptr;
  plist_dict_iter iterator = nullptr;
  plist_dict_new_iter(dictionary, &iterator);
  for (;;) {
    plist_t value = nullptr;
    // Keys are compared as nodes: extracting them as text asserts inside
    // libplist when a binary key holds a NUL.
    plist_dict_next_item(dictionary, iterator, nullptr, &value);
    if (!value) break;
    plist_t node = plist_dict_item_get_key(value);
    if (node && plist_get_node_type(node) == PLIST_KEY && plist_key_val_compare(node, key) == 0) found = value;
  }
  std::free(iterator);
  return found;
}

std::optional<std::string> stringValue(plist_t node) {
  if (!node || plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
  uint64_t length = 0;
  const char* text = plist_get_string_ptr(node, &length);
  // A binary list can carry a NUL inside a (UTF-16) string, which XML cannot
  // express: such a value is no usable string.
  if (!text || std::memchr(text, '\0', std::size_t(length))) return std::nullopt;
  return std::string(text, std::size_t(length));
}

}  // namespace quillmere
