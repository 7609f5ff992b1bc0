# Sourced by test.sh for the sanitizer test run only: exports the options of
# AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer from the
# files beside this one (comment lines and blank lines dropped).
sanitizer_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

ASAN_OPTIONS="$(grep -v -e '^[[:space:]]*#' -e '^[[:space:]]*$' "$sanitizer_dir/asan.options" | paste -sd: -)"
export ASAN_OPTIONS
export LSAN_OPTIONS="suppressions=$sanitizer_dir/lsan.supp:print_suppressions=0"
# halt_on_error backs up -fno-sanitize-recover for code built without it.
export UBSAN_OPTIONS="suppressions=$sanitizer_dir/ubsan.supp:print_stacktrace=1:halt_on_error=1"
unset sanitizer_dir
