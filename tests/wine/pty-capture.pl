#!/usr/bin/perl
# Opens a pseudo-terminal in raw mode to stand for a serial line, prints its slave path,
# then reads what arrives on the master and prints it as decimal bytes, one line, once
# COUNT bytes came or after TIMEOUT seconds. Core Perl only.
#
#   pty-capture.pl COUNT TIMEOUT ["SEND"]
#
# With SEND (decimal bytes, "130 0 10 255"), those bytes are also written to the master,
# again every 0.2 s until it ends: a program that opens the far end later, or whose open
# discards what was waiting, still reads them whole. COUNT 0 only sends, until TIMEOUT.
use strict;
use warnings;
use Fcntl qw(O_RDWR O_NOCTTY);
use IO::Select;
use Time::HiRes qw(time);

my ($count, $timeout, $send) = @ARGV;
die "usage: pty-capture.pl COUNT TIMEOUT [SEND]\n" unless defined $timeout;
my $stream = defined $send ? pack('C*', split(' ', $send)) : '';
my $resend = 0.2;
$| = 1;

# Linux's ioctl numbers for unlockpt() and ptsname().
my $TIOCSPTLCK = 0x40045431;
my $TIOCGPTN   = 0x80045430;

sysopen(my $master, '/dev/ptmx', O_RDWR | O_NOCTTY) or die "pty-capture.pl: /dev/ptmx: $!\n";
my $unlock = pack('i', 0);
ioctl($master, $TIOCSPTLCK, $unlock) or die "pty-capture.pl: unlock: $!\n";
my $number = pack('I', 0);
ioctl($master, $TIOCGPTN, $number) or die "pty-capture.pl: pts number: $!\n";
my $slave = '/dev/pts/' . unpack('I', $number);
# Kept open, so the master never sees a hang-up while the port is closed, and raw, so no
# byte is echoed or translated.
sysopen(my $keep, $slave, O_RDWR | O_NOCTTY) or die "pty-capture.pl: $slave: $!\n";
system('stty', '-F', $slave, 'raw', '-echo') == 0 or die "pty-capture.pl: stty failed\n";
print "$slave\n";

my @bytes;
my $select = IO::Select->new($master);
my $deadline = time() + $timeout;
my $next_send = time();
while ($count == 0 || @bytes < $count) {
    my $left = $deadline - time();
    last if $left <= 0;
    if (length $stream) {
        if (time() >= $next_send) {
            syswrite($master, $stream) == length $stream or die "pty-capture.pl: write: $!\n";
            $next_send = time() + $resend;
        }
        $left = $next_send - time() if $next_send - time() < $left;
    }
    next unless $select->can_read($left > 0 ? $left : 0);
    my $read = sysread($master, my $chunk, 4096);
    last unless $read;
    push @bytes, unpack('C*', $chunk);
}
print join(' ', @bytes), "\n";
