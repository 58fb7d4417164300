// A Visual C++ program's calls into the library where clang's own code would
// differ from cl.exe's and so hide a mismatch: delete[] of each public
// class with a virtual destructor, spelled out as cl.exe compiles it (array
// new's count before the elements, then slot 0 of the vftable with flags 3),
// and the RTTI before each vftable, read directly and through the runtime's
// typeid. Prints what fails; exits with 0 when all holds.
#include <gravo.h>
#include <stdio.h>
#include <string.h>

// As <typeinfo.h> and <new.h> declare them.
class type_info;
namespace std {
using ::type_info;
}
inline void* operator new(size_t, void* where) { return where; }

// The blocks freed, with the operator that freed each (vc_startup.cpp).
extern "C" void* proof_freed[64];
extern "C" int proof_freed_by[64], proof_free_count;

#ifdef _WIN64
#define THISCALL
#else
#define THISCALL __thiscall
#endif
// 6.0 has no array operator new[] and delete[].
const int array_operator = _MSC_VER >= 1300;

static int failures;
static void expect(bool holds, const char* what, const char* name) {
  if (holds) return;
  char line[200] = "FAIL ";
  puts(strcat(strcat(strcat(line, name), ": "), what));
  ++failures;
}

// The blocks that deleting the array must free, in order, with the operator.
static void* watched[16];
static int watched_by[16], watched_count;
static void watch(void* block, int by) {
  watched[watched_count] = block;
  watched_by[watched_count++] = by;
}
static void arm(LINESTYLE& style) {
  style.pattern = new DWORD[1];
  style.pattern_count = 1;
  watch(style.pattern, array_operator);
}
static void arm(IMAGE& image) { arm(image.line_style); }
static void arm(FILLSTYLE& style) {
  style.pattern = new IMAGE(2, 2);
  arm(*style.pattern);
  watch(style.pattern, 0);
}

// The complete object locator before a vftable: absolute addresses on x86,
// offsets from the image base on x64 (signature 1).
struct Locator {
  unsigned long signature, offset, constructor_offset;
  long type, hierarchy, self;
};

template <class T>
static void check(const char* name) {
  const size_t count = 3;
  watched_count = 0;
  size_t* block = static_cast<size_t*>(array_operator ? operator new[](sizeof(size_t) + count * sizeof(T)) :
                                                      operator new(sizeof(size_t) + count * sizeof(T)));
  *block = count;
  T* first = reinterpret_cast<T*>(block + 1);
  for (size_t i = 0; i < count; ++i) new (first + i) T;
  for (size_t i = count; i > 0; --i) arm(first[i - 1]);
  watch(block, array_operator);

  void** vftable = *reinterpret_cast<void***>(first);
  const Locator* locator = static_cast<const Locator*>(vftable[-1]);
#ifdef _WIN64
  const char* type = reinterpret_cast<const char*>(locator) - locator->self + locator->type;
#else
  const char* type = reinterpret_cast<const char*>(locator->type);
#endif
  // A type descriptor: a vftable pointer, a spare pointer, the name.
  expect(locator->signature == sizeof(void*) / 8 && locator->offset == 0 &&
             strcmp(type + 2 * sizeof(void*), name) == 0,
         "the locator names the class", name);
  expect(&typeid(*first) == &typeid(T), "typeid", name);

  typedef void*(THISCALL * Deleting)(T*, unsigned);
  proof_free_count = 0;
  expect(reinterpret_cast<Deleting>(vftable[0])(first, 3) == block, "delete[] returns the block", name);
  int seen = 0;
  for (int i = 0; i < proof_free_count && i < 64; ++i) {
    for (int j = 0; j < watched_count; ++j) {
      if (proof_freed[i] != watched[j]) continue;
      expect(j == seen && proof_freed_by[i] == watched_by[j],
             "delete[] frees each element's blocks, last first, then the array's, by the right operator",
             name);
      ++seen;
    }
  }
  expect(seen == watched_count, "delete[] frees every block", name);
}

int main() {
  check<IMAGE>(".?AVIMAGE@@");
  check<LINESTYLE>(".?AVLINESTYLE@@");
  check<FILLSTYLE>(".?AVFILLSTYLE@@");
  puts(failures ? "failed" : "delete[] and typeid work on the library's classes");
  return failures != 0;
}
