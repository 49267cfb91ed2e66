// prep_output.cpp: the korvax input, the findings and the summary.
#include "prep_output.hpp"

namespace {

constexpr int kNotesOfAKind = 10;

const char* plural(long n) noexcept { return n == 1 ? "" : "s"; }

// What was changed on the way, one item a line.
void print_changes(std::FILE* err, const PrepPlan& plan) noexcept {
  const PrepChanges& c = plan.changes;
  const char* foreign = plan.acid ? "non-protein" : "non-DNA";
  const char* more = "            ";
  const char* lead = "  changed:  ";
  const auto item = [&](long count, const char* fmt, const char* arg = "") {
    if (count == 0) return;
    std::fputs(lead, err);
    std::fprintf(err, fmt, count, plural(count), arg);
    std::fputc('\n', err);
    lead = more;
  };
  item(c.case_folded, "%ld letter%s folded to lower case%s");
  item(c.described, "%ld header description%s left out%s");
  item(c.dropped_chars, "%ld gap character%s (-_=) left out%s");
  item(c.u_to_t, "%ld letter%s u read as t%s");
  item(c.ambiguous_cut, "%ld sequence%s cut to the longest part without %s letters", foreign);
  item(c.ambiguous_dropped, "%ld sequence%s left out for %s letters", foreign);
  item(c.empty_dropped, "%ld empty sequence%s left out%s");
  item(c.names_cut, "%ld name%s cut to the name width%s");
  item(c.names_suffixed, "%ld duplicate name%s made unique (--unique-names)%s");
  item(c.blanks, "%ld blank%s inside sequence lines left out%s");
  item(c.crlf, "%ld CR LF line end%s written as LF%s");
  item(c.cr, "%ld CR line end%s written as LF%s");
  item(c.byte_order_mark ? 1 : 0, "%ld UTF-8 byte-order mark%s left out%s");
  if (plan.portions.size() > 1) {
    std::fprintf(err, "%ssplit into %zu data portions of", lead, plan.portions.size());
    for (std::size_t p = 0; p < plan.portions.size(); ++p)
      std::fprintf(err, "%s %d", p ? "," : "", plan.portions[p]);
    std::fputs(" sequences\n", err);
    lead = more;
  }
  if (lead != more) std::fprintf(err, "%snothing\n", lead);
}

}  // namespace

Status write_korvax_input(std::FILE* out, const PrepPlan& plan) noexcept {
  std::size_t next = 0;
  for (std::size_t p = 0; p < plan.portions.size(); ++p) {
    if (p > 0) std::fputc('\n', out);
    for (int k = 0; k < plan.portions[p]; ++k, ++next) {
      const PrepSeq& s = plan.seqs[next];
      std::fprintf(out, ">%s\n%s\n", s.name.c_str(), s.letters.c_str());
    }
  }
  return std::fflush(out) != 0 || std::ferror(out) ? ERIO : 0;
}

Status write_origin_map(std::FILE* out, const PrepPlan& plan) noexcept {
  std::fputs("#portion\tsequence\tname\trecord\toffset\tlength\tkept\n", out);
  std::size_t next = 0;
  for (std::size_t p = 0; p < plan.portions.size(); ++p)
    for (int k = 0; k < plan.portions[p]; ++k, ++next) {
      const PrepSeq& s = plan.seqs[next];
      std::fprintf(out, "%zu\t%d\t%s\t%s\t%zu\t%zu\t%zu\n", p + 1, k + 1, s.name.c_str(),
                   s.record_name.c_str(), s.offset, s.record_length, s.letters.size());
    }
  return std::fflush(out) != 0 || std::ferror(out) ? ERIO : 0;
}

void print_notes(std::FILE* err, const char* file, const PrepPlan& plan) noexcept {
  int shown[static_cast<int>(NoteKind::count) + 1] = {};
  for (const Note& n : plan.notes) {
    if (shown[static_cast<int>(n.kind)]++ >= kNotesOfAKind) continue;
    if (n.line > 0)
      std::fprintf(err, "%s:%ld: %s: %s\n", file, n.line, n.error ? "error" : "warning", n.text.c_str());
    else
      std::fprintf(err, "%s: %s: %s\n", file, n.error ? "error" : "warning", n.text.c_str());
  }
  for (const int k : shown)
    if (k > kNotesOfAKind) std::fprintf(err, "%s: ... and %d more like the above\n", file, k - kNotesOfAKind);
}

void print_summary(std::FILE* err, const char* file, bool fastq, const PrepPlan& plan,
                   bool write_failed) noexcept {
  const auto n = static_cast<long>(plan.seqs.size());
  std::fprintf(err, "%s: %d %s record%s; ", file, plan.records, fastq ? "FASTQ" : "FASTA",
               plural(plan.records));
  if (plan.errors > 0)
    std::fprintf(err, "nothing written: %d error%s\n", plan.errors, plural(plan.errors));
  else if (write_failed)
    std::fprintf(err, "nothing written: the output could not be written\n");
  else
    std::fprintf(err, "%ld sequence%s written in %zu data portion%s\n", n, plural(n), plan.portions.size(),
                 plural(static_cast<long>(plan.portions.size())));
  if (n > 0)
    std::fprintf(err, "  lengths:  min %d, median %g, max %d\n", plan.lengths.min, plan.lengths.median,
                 plan.lengths.max);
  const char* name = plan.acid ? "protein" : "DNA";
  const char* acid_hint = plan.acid ? "; run korvax with -ACID" : "";
  if (plan.guessed)
    std::fprintf(
        err, "  alphabet: %s (guessed: %d%% of the letters are a, c, g, t, u or n; %s to choose)%s\n", name,
        static_cast<int>(plan.nucleotide_share * 100 + 0.5), plan.acid ? "--dna" : "--protein", acid_hint);
  else
    std::fprintf(err, "  alphabet: %s (%s)%s\n", name, plan.acid ? "--protein" : "--dna", acid_hint);
  if (plan.errors == 0) {
    print_changes(err, plan);
    return;
  }
  for (const Note& note : plan.notes)
    if (note.error && note.kind == NoteKind::letters) {
      std::fputs(
          "  to fix:   --ambiguous=drop leaves out the sequences with such letters,\n"
          "            --ambiguous=cut keeps the longest part of each without them\n",
          err);
      break;
    }
}
