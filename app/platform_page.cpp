#include "app/platform_page.h"

PlatformPage::PlatformPage(nk_context* ctx, int width, int height)
    : ctx(ctx), width(width), height(height) {}

void PlatformPage::draw(int*, int*) {}

void PlatformPage::detect() {}
