#include "common/progress_bar.h"

#include <unistd.h>

namespace {
constexpr int kBarWidth = 40;
}

ProgressBar::ProgressBar(const std::string& labelText, int64_t totalCount, FILE* stream)
    : label(labelText),
      total(totalCount > 0 ? totalCount : 1),
      out(stream),
      terminal(isatty(fileno(stream)) != 0) {}

void ProgressBar::update(int64_t done) {
    // A terminal gets every percent, a log only every tenth.
    const int step = terminal ? 1 : 10;
    const int percent = static_cast<int>(done * 100 / total);
    if (percent / step == lastShown / step && lastShown >= 0) return;
    lastShown = percent;
    draw(done);
}

void ProgressBar::finish() {
    if (lastShown < 100) draw(total);
    if (terminal) std::fputc('\n', out);
    std::fflush(out);
}

void ProgressBar::draw(int64_t done) {
    const int filled = static_cast<int>(done * kBarWidth / total);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kBarWidth - filled), '.');
    const int percent = static_cast<int>(done * 100 / total);
    lastShown = percent;
    std::fprintf(out, "%s%s [%s] %3d%% %lld/%lld%s", terminal ? "\r" : "", label.c_str(),
                 bar.c_str(), percent, static_cast<long long>(done), static_cast<long long>(total),
                 terminal ? "" : "\n");
    std::fflush(out);
}
