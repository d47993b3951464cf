#include "settings/Substitution.h"
#include "settings/SubstitutionPlan.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <map>
#include <tuple>
#include <utility>

namespace {

struct Workload {
    std::deque<QByteArray> bytes;  // of the substitutions, which view them
    std::vector<Substitution> substitutions;
    QByteArray text;

    void Add(QByteArray id, QByteArray value) {
        substitutions.push_back(
            {bytes.emplace_back(std::move(id)), bytes.emplace_back(std::move(value))});
    }
};

QByteArray Name(int index) {
    char name[16];
    std::snprintf(name, sizeof name, "VAR%04d", index);
    return name;
}

enum class Lines { kOneVariable, kTwoVariables };

// `variables` variables $(VAR0000)... with values "value of VAR0000"...; template lines naming
// `used` of them, spread over the list, until the text holds `bytes` bytes and names each used
// variable at least once. kOneVariable lines are "key_VAR0042 = $(VAR0042) # some words";
// kTwoVariables lines are "url = $(VAR0042):$(VAR0052)/x", two ids a byte apart.
const Workload& MakeWorkload(Lines lines, qsizetype bytes, int variables, int used) {
    static std::map<std::tuple<Lines, qsizetype, int, int>, Workload> cache;
    Workload& workload = cache[{lines, bytes, variables, used}];
    if (!workload.text.isEmpty()) {
        return workload;
    }
    for (int i = 0; i < variables; ++i) {
        workload.Add("$(" + Name(i) + ")", "value of " + Name(i));
    }
    const int step = variables / used;
    workload.text.reserve(bytes + 64);
    for (int line = 0; workload.text.size() < bytes || line < used; ++line) {
        const QByteArray name = Name(line % used * step);
        workload.text +=
            lines == Lines::kOneVariable
                ? "key_" + name + " = $(" + name + ") # some words\n"
                : "url = $(" + name + "):$(" + Name((line + 1) % used * step) + ")/x\n";
    }
    return workload;
}

void SetCounters(benchmark::State& state, const Workload& workload) {
    state.SetBytesProcessed(state.iterations() * workload.text.size());
    state.counters["MiB"] = static_cast<double>(workload.text.size()) / (1 << 20);
}

const Workload& MakeWorkload(const benchmark::State& state, Lines lines = Lines::kOneVariable) {
    return MakeWorkload(lines, state.range(0) << 20, static_cast<int>(state.range(1)),
                        static_cast<int>(state.range(2)));
}

// The export streams its output into a file; this sink takes the pieces and only counts them, so
// that the figures are the engine's own.
class CountingSink final : public ByteSink {
  public:
    bool Append(const char* data, std::size_t size) override {
        benchmark::DoNotOptimize(data);
        bytes += size;
        return true;
    }
    bool Restart() override {
        bytes = 0;
        return true;
    }
    std::size_t bytes = 0;
};

void ApplyPlan(benchmark::State& state, Lines lines) {
    const Workload& workload = MakeWorkload(state, lines);
    const SubstitutionPlan plan(workload.substitutions);
    for (auto _ : state) {
        CountingSink sink;
        ByteArraySource source(workload.text);
        if (!plan.Apply(source, sink).ok()) {
            state.SkipWithError("the substitution failed");  // a time of that would mislead
            break;
        }
        benchmark::DoNotOptimize(sink.bytes);
    }
    SetCounters(state, workload);
}

void BM_Apply(benchmark::State& state) {
    ApplyPlan(state, Lines::kOneVariable);
}

void BM_Sequential(benchmark::State& state) {
    const Workload& workload = MakeWorkload(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(SubstituteSequentially(workload.text, workload.substitutions));
    }
    SetCounters(state, workload);
}

void BM_ApplyPairs(benchmark::State& state) {
    ApplyPlan(state, Lines::kTwoVariables);
}

// A Makefile-like template with `variables` variables whose ids come in overlapping pairs
// ($(MK000) and $(MK000_FLAGS)) and, when `chained`, whose values hold the id of the next variable
// in chains of three, so that the passes have to be replayed on the text around them.
const Workload& MakeChainedWorkload(qsizetype bytes, int variables, bool chained) {
    static std::map<std::tuple<qsizetype, int, bool>, Workload> cache;
    Workload& workload = cache[{bytes, variables, chained}];
    if (!workload.text.isEmpty()) {
        return workload;
    }
    std::vector<QByteArray> ids;
    for (int n = 0; n < variables; ++n) {
        char id[32];
        std::snprintf(id, sizeof id, n % 2 == 0 ? "$(MK%03d)" : "$(MK%03d_FLAGS)", n - n % 2);
        ids.push_back(id);
    }
    for (int n = 0; n < variables; ++n) {
        QByteArray value = "opt-" + QByteArray::number(n);
        if (chained && n % 3 != 2 && n + 1 < variables) {
            value += " " + ids[n + 1];
        }
        workload.Add(ids[n], value);
    }
    QByteArray block;
    for (int n = 0; n < variables; ++n) {
        block += "target" + QByteArray::number(n) + ": " + ids[n] + "\n\t$(CC) " +
                 ids[n * 7 % variables] + " -o $@\n";
    }
    workload.text = block.repeated(std::max<qsizetype>(1, bytes / block.size()));
    return workload;
}

// Arguments: MiB of text, variables, whether values hold ids.
void BM_ApplyChains(benchmark::State& state) {
    const Workload& workload = MakeChainedWorkload(
        state.range(0) << 20, static_cast<int>(state.range(1)), state.range(2) != 0);
    const SubstitutionPlan plan(workload.substitutions);
    for (auto _ : state) {
        CountingSink sink;
        ByteArraySource source(workload.text);
        if (!plan.Apply(source, sink).ok()) {
            state.SkipWithError("the substitution failed");  // a time of that would mislead
            break;
        }
        benchmark::DoNotOptimize(sink.bytes);
    }
    SetCounters(state, workload);
}

// Preparing the plan, which an export does once per run.
void BM_Prepare(benchmark::State& state) {
    const int variables = static_cast<int>(state.range(0));
    const Workload& workload = MakeWorkload(Lines::kOneVariable, 0, variables, variables);
    for (auto _ : state) {
        benchmark::DoNotOptimize(SubstitutionPlan(workload.substitutions));
    }
}

// Arguments: MiB of text, variables, variables used.
BENCHMARK(BM_Apply)->Args({1, 1000, 100})->Args({64, 1000, 100})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sequential)->Args({1, 1000, 100})->Unit(benchmark::kMillisecond);
// Each variable used once: the text grows with the list.
BENCHMARK(BM_Apply)->Args({0, 512, 512})->Args({0, 4096, 4096})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sequential)->Args({0, 512, 512})->Args({0, 4096, 4096})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplyPairs)->Args({1, 1000, 100})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyChains)->Args({4, 400, 1})->Args({4, 400, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Prepare)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
