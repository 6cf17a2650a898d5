// SPDX-License-Identifier: MIT
// Writes store/CipherBoxes.inc: for each of the cipher's eight S-boxes a
// circuit of AND, AND-NOT, OR, XOR and NOT gates that the bitsliced passes of
// Cipher.cpp evaluate on whole words of blocks at once.
//
//   qb_makeboxes [<output>]      (default: store/CipherBoxes.inc in the source tree)
//
// or `cmake --build --preset testing --target qb_cipherboxes`. The output
// depends only on the tables in store/CipherSBoxes.h and on this file.
//
// Each output bit is a function of the six input bits, held as its truth
// table: a 64-bit word whose bit x is the output for input x (a1 the most
// significant bit of x, a6 the least). A function is built by splitting on
// one input v into its halves f0 (v = 0) and f1 (v = 1):
//   f = f0 ^ (v & (f0 ^ f1))   or   f = f1 ^ ((f0 ^ f1) & ~v),
// or a cheaper form when a half is constant, contained in the other or the
// complement of it. Every function built so far is kept, with its complement
// one gate away, so the outputs of a box share what they have in common. For
// each box every order of the inputs (the first one a function depends on is
// split first), every order of the outputs and both leanings of the choice
// above are tried; the smallest circuit wins, the first one found on a tie.
#include "store/CipherSBoxes.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#ifndef QB_STORE_DIR
#define QB_STORE_DIR "store"
#endif

namespace {

using Table = std::uint64_t;
constexpr Table ALL = ~Table{0};

// The truth table of input i (0: a1 .. 5: a6).
constexpr Table InputTable(int i) {
    Table t = 0;
    for (int x = 0; x < 64; ++x)
        if ((x >> (5 - i)) & 1)
            t |= Table{1} << x;
    return t;
}

// The half of f where input i is `value`, spread over both halves.
Table Half(Table f, int i, bool value) {
    const Table v = InputTable(i);
    const int shift = 1 << (5 - i);
    if (value) {
        const Table upper = f & v;
        return upper | (upper >> shift);
    }
    const Table lower = f & ~v;
    return lower | (lower << shift);
}

enum class EOp { Input, And, AndNot, Or, Xor, Not };

struct CGate {
    EOp m_op;
    int m_a, m_b; // operands (node numbers); an input's number is its index
};

// One circuit under construction: nodes 0..5 are the inputs.
class CCircuit {
public:
    CCircuit(const int* order, bool leanHigh) : m_leanHigh(leanHigh) {
        std::copy(order, order + 6, m_order);
        for (int i = 0; i < 6; ++i)
            Add(InputTable(i), {EOp::Input, i, i});
    }

    int Build(Table f) {
        if (const auto found = m_nodes.find(f); found != m_nodes.end())
            return found->second;
        if (const auto found = m_nodes.find(~f); found != m_nodes.end())
            return Add(f, {EOp::Not, found->second, 0});
        return Split(f, PickInput(f));
    }

    int GateCount() const { return static_cast<int>(m_gates.size()) - 6; }
    const std::vector<CGate>& Gates() const { return m_gates; }

private:
    int Add(Table f, CGate gate) {
        m_gates.push_back(gate);
        const int node = static_cast<int>(m_gates.size()) - 1;
        m_nodes.emplace(f, node);
        return node;
    }

    bool Has(Table f) const { return m_nodes.count(f) || m_nodes.count(~f); }

    // The first input of the order that f depends on (f is neither constant
    // nor built).
    int PickInput(Table f) const {
        for (int i : m_order)
            if (Half(f, i, false) != Half(f, i, true))
                return i;
        return m_order[0];
    }

    int Split(Table f, int i) {
        const int v = i;
        const Table f0 = Half(f, i, false), f1 = Half(f, i, true), d = f0 ^ f1;
        if (f0 == 0)
            return Add(f, {EOp::And, v, Build(f1)});
        if (f1 == 0)
            return Add(f, {EOp::AndNot, Build(f0), v});
        if (f1 == ALL)
            return Add(f, {EOp::Or, v, Build(f0)});
        if (d == ALL)
            return Add(f, {EOp::Xor, v, Build(f0)});
        if (f0 == ALL) // ~v | f1
            return Add(f, {EOp::Not, Build(~f), 0});
        if ((f0 & ~f1) == 0) { // f0 within f1: f0 | (v & f1)
            const int low = Build(f0);
            return Add(f, {EOp::Or, low, With(i, f1)});
        }
        if ((f1 & ~f0) == 0) { // f1 within f0: f1 | (f0 & ~v)
            const int high = Build(f1);
            return Add(f, {EOp::Or, high, Without(i, f0)});
        }
        // f0 ^ (v & d), or f1 ^ (d & ~v) when f1 is at hand and f0 is not (or
        // neither is, and the circuit leans that way).
        if (!Has(f0) && (Has(f1) || m_leanHigh)) {
            const int base = Build(f1);
            return Add(f, {EOp::Xor, base, Without(i, d)});
        }
        const int base = Build(f0);
        return Add(f, {EOp::Xor, base, With(i, d)});
    }

    // g & v and g & ~v, for g independent of input i.
    int With(int i, Table g) {
        const Table t = g & InputTable(i);
        if (const auto found = m_nodes.find(t); found != m_nodes.end())
            return found->second;
        return Add(t, {EOp::And, i, Build(g)});
    }
    int Without(int i, Table g) {
        const Table t = g & ~InputTable(i);
        if (const auto found = m_nodes.find(t); found != m_nodes.end())
            return found->second;
        return Add(t, {EOp::AndNot, Build(g), i});
    }

    int m_order[6];
    bool m_leanHigh;
    std::vector<CGate> m_gates;
    std::map<Table, int> m_nodes; // by truth table
};

// The truth table of output bit k (0: o1, the most significant) of box b.
Table OutputTable(int b, int k) {
    Table t = 0;
    for (int x = 0; x < 64; ++x) {
        const int row = ((x >> 4) & 2) | (x & 1);
        const int column = (x >> 1) & 15;
        if ((S_BOXES[b * 64 + row * 16 + column] >> (3 - k)) & 1)
            t |= Table{1} << x;
    }
    return t;
}

struct CBest {
    std::vector<CGate> m_gates;
    int m_outputs[4] = {};
};

CBest SmallestCircuit(int b) {
    CBest best;
    int bestCount = 1 << 30;
    int inputs[6] = {0, 1, 2, 3, 4, 5};
    do {
        int order[4] = {0, 1, 2, 3};
        do {
            for (bool leanHigh : {false, true}) {
                CCircuit circuit(inputs, leanHigh);
                int outputs[4];
                for (int k : order)
                    outputs[k] = circuit.Build(OutputTable(b, k));
                if (circuit.GateCount() < bestCount) {
                    bestCount = circuit.GateCount();
                    best.m_gates = circuit.Gates();
                    std::copy(outputs, outputs + 4, best.m_outputs);
                }
            }
        } while (std::next_permutation(order, order + 4));
    } while (std::next_permutation(inputs, inputs + 6));
    return best;
}

std::string Name(int node) {
    return node < 6 ? "a" + std::to_string(node + 1) : "t" + std::to_string(node - 6);
}

std::string Expression(const CGate& g) {
    switch (g.m_op) {
    case EOp::And:
        return Name(g.m_a) + " & " + Name(g.m_b);
    case EOp::AndNot:
        return Name(g.m_a) + " & ~" + Name(g.m_b);
    case EOp::Or:
        return Name(g.m_a) + " | " + Name(g.m_b);
    case EOp::Xor:
        return Name(g.m_a) + " ^ " + Name(g.m_b);
    case EOp::Not:
        return "~" + Name(g.m_a);
    case EOp::Input:
        break;
    }
    return {};
}

void WriteBox(std::ostream& out, int b, const CBest& box) {
    const int gates = static_cast<int>(box.m_gates.size()) - 6;
    out << "\n// Box " << b + 1 << ": " << gates << " gates.\n"
        << "template <class W>\n"
        << "QB_CIPHER_INLINE void Box" << b + 1 << "(const W* a, W& o1, W& o2, W& o3, W& o4)\n"
        << "{\n"
        << "    const W a1 = a[0], a2 = a[1], a3 = a[2], a4 = a[3], a5 = a[4], a6 = a[5];\n";
    for (std::size_t n = 6; n < box.m_gates.size(); ++n)
        out << "    const W " << Name(static_cast<int>(n)) << " = " << Expression(box.m_gates[n])
            << ";\n";
    for (int k = 0; k < 4; ++k)
        out << "    o" << k + 1 << " ^= " << Name(box.m_outputs[k]) << ";\n";
    out << "}\n";
}

const char* const HEADER =
    R"(// Gate circuits of the eight S-boxes for the bitsliced cipher in Cipher.cpp,
// included there and in the test that checks them (tests/store/CipherBoxesTest.cpp)
// only. Each W holds one bit of many blocks; a[0..5] are the six input bits
// a1..a6 of a box (a1 the first, a1 and a6 select the row, a2..a5 the column)
// and o1..o4 receive its four output bits, most significant first, by
// exclusive-or.
//
// Generated from the tables in store/CipherSBoxes.h; do not edit. To remake it:
//   cmake --build --preset testing --target qb_cipherboxes
// (runs store/tools/makeboxes.cpp, which says how the circuits are found).
)";

} // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : QB_STORE_DIR "/CipherBoxes.inc";
    std::ostringstream text;
    text << HEADER;
    int total = 0;
    for (int b = 0; b < 8; ++b) {
        const CBest box = SmallestCircuit(b);
        total += static_cast<int>(box.m_gates.size()) - 6;
        WriteBox(text, b, box);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text.str();
    if (!out.flush()) {
        std::fprintf(stderr, "could not write %s\n", path.c_str());
        return 1;
    }
    std::printf("%s: %d gates\n", path.c_str(), total);
    return 0;
}
