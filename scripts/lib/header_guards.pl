#!/usr/bin/perl
# Gives each header named (paths from the repository root) the house's
# include guard, GRAVO_<its path>_H: "#ifndef" and "#define" in place of a
# "#pragma once" or of a guard of another name, "#endif" as the last line.
# The headers that ship beside the wizard keep the names they ship under.
# With --check nothing is written; the headers that differ are printed.
use strict;
use warnings;

my %shipped = ('graphics/gravo.h' => 'GRAVO_GRAVO_H', 'graphics/graphics.h' => 'GRAVO_GRAPHICS_H');

my $check = @ARGV && $ARGV[0] eq '--check';
shift @ARGV if $check;
my $status = 0;
for my $path (@ARGV) {
  my $guard = $shipped{$path};
  unless ($guard) {
    ($guard = $path) =~ s/\.h$//;
    $guard =~ s/[^A-Za-z0-9]/_/g;
    $guard = 'GRAVO_' . uc($guard) . '_H';
  }
  open(my $in, '<', $path) or die "header_guards: $path: $!\n";
  my $text = do { local $/; <$in> };
  close($in);
  my $want = $text;
  if ($want =~ s/^#pragma once[ \t]*\n/#ifndef $guard\n#define $guard\n/m) {
    $want =~ s/\s*\z/\n\n#endif\n/;
  } elsif ($want =~ /\A((?:[ \t]*(?:\/\/.*)?\n)*)#ifndef (\w+)\n#define \2\n/) {
    $want =~ s/\A((?:[ \t]*(?:\/\/.*)?\n)*)#ifndef \w+\n#define \w+\n/$1#ifndef $guard\n#define $guard\n/;
  } else {
    # No guard yet: it goes below the leading comment.
    $want =~ s/\A((?:[ \t]*\/\/.*\n)*)/$1#ifndef $guard\n#define $guard\n\n/;
    $want =~ s/\s*\z/\n\n#endif\n/;
  }
  next if $want eq $text;
  if ($check) {
    print "$path\n";
    $status = 1;
  } else {
    open(my $out, '>', $path) or die "header_guards: $path: $!\n";
    print $out $want;
    close($out);
  }
}
exit $status;
