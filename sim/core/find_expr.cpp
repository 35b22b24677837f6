#include "core/find_expr.h"

namespace sim {
namespace {

using CharSet = std::bitset<256>;

// Deeper nesting than any real search needs is refused rather than risking
// the stack on a hostile expression.
constexpr int kMaxDepth = 100;

unsigned char other_case(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c - 'A' + 'a');
  return c;
}

void add_char(CharSet& set, unsigned char c) {
  set.set(c);
  set.set(other_case(c));
}

struct Node {
  enum Kind { atom, cat, alt, star, plus };
  explicit Node(Kind k = atom) : kind(k) {}
  Kind kind;
  CharSet chars;            // atom
  std::vector<Node> parts;  // cat, alt: in order; star, plus: the one repeated
};

}  // namespace

// Reads the expression into a tree, then lays the tree out as steps for a
// machine that follows every possible road at once.
class FindExprCompiler {
 public:
  explicit FindExprCompiler(std::string_view expr) : expr_(expr) {}

  std::optional<FindExpr> compile() {
    for (char c : expr_) {
      if (c < 0x20 || c > 0x7E) return std::nullopt;
    }
    auto tree = alternation(0);
    if (!tree || pos_ != expr_.size()) return std::nullopt;
    emit(*tree);
    out_.program_.push_back({FindExpr::Step::done});
    return std::move(out_);
  }

 private:
  bool at_end() const { return pos_ >= expr_.size(); }
  char peek() const { return expr_[pos_]; }
  bool eat(char c) {
    if (at_end() || peek() != c) return false;
    ++pos_;
    return true;
  }

  std::optional<Node> alternation(int depth) {
    if (depth > kMaxDepth) return std::nullopt;
    Node alt(Node::alt);
    do {
      auto branch = sequence(depth);
      if (!branch) return std::nullopt;
      alt.parts.push_back(std::move(*branch));
    } while (eat('|'));
    if (alt.parts.size() == 1) return std::move(alt.parts.front());
    return alt;
  }

  std::optional<Node> sequence(int depth) {
    Node cat(Node::cat);
    while (!at_end() && peek() != '|' && peek() != ')') {
      auto item = atom(depth);
      if (!item) return std::nullopt;
      if (!at_end() && (peek() == '*' || peek() == '+')) {
        Node repeat(peek() == '*' ? Node::star : Node::plus);
        ++pos_;
        repeat.parts.push_back(std::move(*item));
        item = std::move(repeat);
      }
      cat.parts.push_back(std::move(*item));
    }
    if (cat.parts.empty()) return std::nullopt;
    return cat;
  }

  std::optional<Node> atom(int depth) {
    Node node;
    switch (const char c = expr_[pos_++]) {
      case '?':
        node.chars.set();
        return node;
      case '*':
      case '+':
        return std::nullopt;  // nothing before it to repeat
      case '[':
        return list();
      case '(': {
        auto inner = alternation(depth + 1);
        if (!inner || !eat(')')) return std::nullopt;
        return inner;
      }
      case '\\':
        if (at_end()) return std::nullopt;
        add_char(node.chars, static_cast<unsigned char>(expr_[pos_++]));
        return node;
      default:
        add_char(node.chars, static_cast<unsigned char>(c));
        return node;
    }
  }

  // After '[': up to and with the closing ']'.
  std::optional<Node> list() {
    Node node;
    const bool negated = eat('^');
    bool empty = true;
    while (!at_end() && peek() != ']') {
      auto low = list_char();
      if (!low) return std::nullopt;
      unsigned char high = *low;
      // A '-' between two characters makes a range; first or last it is itself.
      if (pos_ + 1 < expr_.size() && peek() == '-' && expr_[pos_ + 1] != ']') {
        ++pos_;
        auto end = list_char();
        if (!end || *end < *low) return std::nullopt;
        high = *end;
      }
      for (unsigned c = *low; c <= high; ++c) add_char(node.chars, static_cast<unsigned char>(c));
      empty = false;
    }
    if (at_end() || empty) return std::nullopt;
    ++pos_;
    if (negated) node.chars.flip();
    return node;
  }

  std::optional<unsigned char> list_char() {
    if (peek() == '\\' && ++pos_ == expr_.size()) return std::nullopt;
    return static_cast<unsigned char>(expr_[pos_++]);
  }

  using Step = FindExpr::Step;
  int here() const { return static_cast<int>(out_.program_.size()); }

  void emit(const Node& node) {
    auto& program = out_.program_;
    switch (node.kind) {
      case Node::atom:
        out_.sets_.push_back(node.chars);
        program.push_back({Step::chars, static_cast<int>(out_.sets_.size()) - 1});
        break;
      case Node::cat:
        for (const Node& part : node.parts) emit(part);
        break;
      case Node::alt: {
        std::vector<int> jumps;
        for (std::size_t i = 0; i + 1 < node.parts.size(); ++i) {
          const int split = here();
          program.push_back({Step::split, split + 1});
          emit(node.parts[i]);
          jumps.push_back(here());
          program.push_back({Step::jump});
          program[static_cast<std::size_t>(split)].b = here();
        }
        emit(node.parts.back());
        for (int jump : jumps) program[static_cast<std::size_t>(jump)].a = here();
        break;
      }
      case Node::star: {
        const int split = here();
        program.push_back({Step::split, split + 1});
        emit(node.parts.front());
        program.push_back({Step::jump, split});
        program[static_cast<std::size_t>(split)].b = here();
        break;
      }
      case Node::plus: {
        const int start = here();
        emit(node.parts.front());
        program.push_back({Step::split, start, here() + 1});
        break;
      }
    }
  }

  std::string_view expr_;
  std::size_t pos_ = 0;
  FindExpr out_;
};

std::optional<FindExpr> FindExpr::compile(std::string_view expr) {
  return FindExprCompiler(expr).compile();
}

bool FindExpr::matches(std::string_view name) const {
  // The steps every live road is waiting at; each is visited at most once
  // per character, so loops that consume nothing end.
  std::vector<int> now, next, pending;
  std::vector<std::size_t> seen(program_.size(), 0);
  std::size_t round = 1;
  auto add = [&](std::vector<int>& into, int start) {
    pending.assign(1, start);
    while (!pending.empty()) {
      const int pc = pending.back();
      pending.pop_back();
      auto& mark = seen[static_cast<std::size_t>(pc)];
      if (mark == round) continue;
      mark = round;
      const Step& step = program_[static_cast<std::size_t>(pc)];
      if (step.op == Step::split) {
        pending.push_back(step.b);
        pending.push_back(step.a);
      } else if (step.op == Step::jump) {
        pending.push_back(step.a);
      } else {
        into.push_back(pc);
      }
    }
  };
  add(now, 0);
  for (char c : name) {
    ++round;
    next.clear();
    for (int pc : now) {
      const Step& step = program_[static_cast<std::size_t>(pc)];
      if (step.op == Step::chars &&
          sets_[static_cast<std::size_t>(step.a)][static_cast<unsigned char>(c)])
        add(next, pc + 1);
    }
    now.swap(next);
    if (now.empty()) return false;
  }
  for (int pc : now) {
    if (program_[static_cast<std::size_t>(pc)].op == Step::done) return true;
  }
  return false;
}

}  // namespace sim
