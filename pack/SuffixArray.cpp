#include "pack/SuffixArray.h"

#include <algorithm>

namespace {

// Suffixes are of type S when smaller than the suffix that follows, else L; the empty suffix
// after the end (the sentinel) is the smallest. An LMS position is an S whose left neighbour is
// an L: the sorted LMS suffixes induce the order of all the others.
struct TTypes {
  std::vector<uint8_t> S;
  bool Lms(int32_t i) const { return i > 0 && S[i] && !S[i - 1]; }
};

// Bucket c spans the suffixes that start with symbol c: heads (first slot) or tails (one past).
template <class T>
void Buckets(const T* s, int32_t n, int32_t k, std::vector<int32_t>& b, bool tails) {
  b.assign(k, 0);
  for (int32_t i = 0; i < n; ++i) ++b[s[i]];
  int32_t sum = 0;
  for (int32_t c = 0; c < k; ++c) {
    sum += b[c];
    b[c] = tails ? sum : sum - b[c];
  }
}

// From the LMS suffixes placed in sa, the L suffixes left to right, then the S right to left.
template <class T>
void Induce(const T* s, int32_t* sa, int32_t n, int32_t k, const TTypes& t,
            std::vector<int32_t>& b) {
  Buckets(s, n, k, b, false);
  sa[b[s[n - 1]]++] = n - 1;  // the last suffix comes right after the sentinel
  for (int32_t i = 0; i < n; ++i) {
    const int32_t j = sa[i] - 1;
    if (j >= 0 && !t.S[j]) sa[b[s[j]]++] = j;
  }
  Buckets(s, n, k, b, true);
  for (int32_t i = n - 1; i >= 0; --i) {
    const int32_t j = sa[i] - 1;
    if (j >= 0 && t.S[j]) sa[--b[s[j]]] = j;
  }
}

// Whether the LMS substrings (up to and with the next LMS position) at a and b are equal.
template <class T>
bool SameLms(const T* s, int32_t n, const TTypes& t, int32_t a, int32_t b) {
  for (int32_t d = 0;; ++d) {
    if (a + d == n || b + d == n || s[a + d] != s[b + d] || t.S[a + d] != t.S[b + d]) return false;
    if (d > 0 && t.Lms(a + d)) return true;
  }
}

// Sorts the suffixes of s (n symbols below k) into sa.
template <class T>
void Sort(const T* s, int32_t* sa, int32_t n, int32_t k) {
  if (n == 1) sa[0] = 0;
  if (n <= 1) return;
  TTypes t;
  t.S.assign(n, 0);
  for (int32_t i = n - 2; i >= 0; --i) t.S[i] = s[i] < s[i + 1] || (s[i] == s[i + 1] && t.S[i + 1]);

  // Sort the LMS substrings: LMS positions at their buckets' tails, then induce.
  std::vector<int32_t> b;
  Buckets(s, n, k, b, true);
  std::fill(sa, sa + n, -1);
  for (int32_t i = 1; i < n; ++i)
    if (t.Lms(i)) sa[--b[s[i]]] = i;
  Induce(s, sa, n, k, t, b);

  // Name them in that order, equal substrings alike; the names, in text order, are the
  // reduced string (in the tail of sa; LMS positions are at least two apart).
  int32_t m = 0;
  for (int32_t i = 0; i < n; ++i)
    if (t.Lms(sa[i])) sa[m++] = sa[i];
  std::fill(sa + m, sa + n, -1);
  int32_t names = 0;
  for (int32_t i = 0, prev = -1; i < m; ++i) {
    const int32_t p = sa[i];
    if (prev < 0 || !SameLms(s, n, t, p, prev)) ++names;
    prev = p;
    sa[m + p / 2] = names - 1;
  }
  for (int32_t i = n - 1, j = n - 1; i >= m; --i)
    if (sa[i] >= 0) sa[j--] = sa[i];

  // Sort the reduced string's suffixes: by recursion unless every name is unique.
  int32_t* reduced = sa + n - m;
  if (names < m) {
    Sort(reduced, sa, m, names);
  } else {
    for (int32_t i = 0; i < m; ++i) sa[reduced[i]] = i;
  }

  // Their order is that of the LMS suffixes: place those at their buckets' tails, induce.
  for (int32_t i = 1, j = 0; i < n; ++i)
    if (t.Lms(i)) reduced[j++] = i;
  for (int32_t i = 0; i < m; ++i) sa[i] = reduced[sa[i]];
  std::fill(sa + m, sa + n, -1);
  Buckets(s, n, k, b, true);
  for (int32_t i = m - 1; i >= 0; --i) {
    const int32_t j = sa[i];
    sa[i] = -1;
    sa[--b[s[j]]] = j;
  }
  Induce(s, sa, n, k, t, b);
}

}  // namespace

std::vector<int32_t> SuffixArray(const uint8_t* data, int32_t size) {
  std::vector<int32_t> sa(size);
  Sort(data, sa.data(), size, 256);
  return sa;
}
