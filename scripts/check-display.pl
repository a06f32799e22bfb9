#!/usr/bin/perl
# Tells within a second whether a window could be shown here, before anything is built:
# it connects to the X server named by DISPLAY and completes the X11 connection setup
# (with the MIT-MAGIC-COOKIE-1 from the Xauthority file when there is one), or, without
# DISPLAY, connects to the Wayland compositor's socket. Only Perl's own core modules are
# used, so it runs on any Debian system before the build dependencies are installed.
#
# Exit status 0: the display answered. 1: one line on stderr says why not.
use strict;
use warnings;
use IO::Socket::INET;
use IO::Socket::UNIX;
use IO::Select;
use Socket qw(SOCK_STREAM);
use POSIX qw(uname);

my $step_timeout = 0.4;    # seconds for the connect and for the answer
my $hint = "'make screenshot' shows the window on a virtual X server instead";

sub fail {
    print STDERR "make run: $_[0]; $hint.\n";
    exit 1;
}

# A hung server must not hold the caller: the whole check ends within a second.
$SIG{ALRM} = sub { fail("the display did not answer within a second") };
alarm 1;

my $platform = $ENV{QT_QPA_PLATFORM} // '';
$platform =~ s/[:;].*//;
# A platform that needs no desktop (offscreen, vnc, linuxfb, ...) was chosen on purpose.
exit 0 if $platform ne '' && $platform !~ /^(xcb|wayland)/;

if (($ENV{DISPLAY} // '') ne '' && $platform !~ /^wayland/) {
    check_x11($ENV{DISPLAY});
} elsif (($ENV{WAYLAND_DISPLAY} // '') ne '') {
    check_wayland($ENV{WAYLAND_DISPLAY});
} else {
    fail('no display: neither DISPLAY nor WAYLAND_DISPLAY is set');
}
exit 0;

sub check_x11 {
    my ($display) = @_;
    my ($host, $number) = $display =~ /^([^:]*):(\d+)(?:\.\d+)?$/
        or fail("DISPLAY=$display is not of the form [host]:number");
    my ($socket, $where);
    if ($host eq '' || $host eq 'unix') {
        $where = "/tmp/.X11-unix/X$number";
        # The file, then the abstract socket of the same name that Linux servers also open.
        for my $peer ($where, "\0$where") {
            $socket = IO::Socket::UNIX->new(Type => SOCK_STREAM, Peer => $peer,
                                            Timeout => $step_timeout);
            last if $socket;
        }
    } else {
        $where = "$host:" . (6000 + $number);
        $socket = IO::Socket::INET->new(PeerAddr => $where, Timeout => $step_timeout);
    }
    fail("cannot open display $display: nothing answers on $where ($!)") unless $socket;

    my ($name, $data) = cookie($number, $host eq '' || $host eq 'unix');
    my $pad = sub { "\0" x ((4 - length($_[0]) % 4) % 4) };
    my $setup = pack('a1 x S S S S x2', 'l', 11, 0, length $name, length $data)
        . $name . $pad->($name) . $data . $pad->($data);
    syswrite($socket, $setup) == length $setup
        or fail("cannot open display $display: the connection broke ($!)");

    IO::Select->new($socket)->can_read($step_timeout)
        or fail("cannot open display $display: the X server does not answer");
    my $reply = '';
    sysread($socket, $reply, 8) >= 1
        or fail("cannot open display $display: the X server closed the connection");
    my $status = ord $reply;
    return if $status == 1;
    if ($status == 0) {
        my $length = ord substr($reply, 1, 1);
        my $reason = '';
        sysread($socket, $reason, $length) if $length;
        $reason =~ s/\s+$//;
        fail("cannot open display $display: the X server refused the connection ($reason)");
    }
    fail("cannot open display $display: the X server asks for authorisation this check cannot give");
}

# The MIT-MAGIC-COOKIE-1 for the display from the Xauthority file, as (name, data); empty
# strings when there is none, which servers without access control accept.
sub cookie {
    my ($number, $local) = @_;
    my $file = $ENV{XAUTHORITY} // (defined $ENV{HOME} ? "$ENV{HOME}/.Xauthority" : '');
    open(my $in, '<:raw', $file) or return ('', '');
    local $/;
    my $all = <$in>;
    close $in;
    my $host = (uname())[1];
    my ($best, $best_rank) = (undef, 0);
    my $at = 0;
    while ($at + 2 <= length $all) {
        my $family = unpack('n', substr($all, $at, 2));
        $at += 2;
        my @fields;
        for (1 .. 4) {
            last if $at + 2 > length $all;
            my $length = unpack('n', substr($all, $at, 2));
            push @fields, substr($all, $at + 2, $length);
            $at += 2 + $length;
        }
        last if @fields < 4;
        my ($address, $display, $name, $data) = @fields;
        next if $display ne $number || $name ne 'MIT-MAGIC-COOKIE-1';
        # FamilyLocal (256) for this host first, then FamilyWild (65535), then any.
        my $rank = ($local && $family == 256 && $address eq $host) ? 3
                 : $family == 65535 ? 2 : 1;
        ($best, $best_rank) = ([$name, $data], $rank) if $rank > $best_rank;
    }
    return $best ? @$best : ('', '');
}

sub check_wayland {
    my ($display) = @_;
    my $path = $display =~ m{^/} ? $display : ($ENV{XDG_RUNTIME_DIR} // '') . "/$display";
    IO::Socket::UNIX->new(Type => SOCK_STREAM, Peer => $path, Timeout => $step_timeout)
        or fail("cannot open Wayland display $display: nothing answers on $path ($!)");
    my @plugins = glob('/usr/lib/*/qt6/plugins/platforms/libqwayland*.so');
    @plugins
        or fail("Wayland display $display without DISPLAY, and Qt's Wayland plugin is missing "
                . "(install qt6-wayland, or set DISPLAY for XWayland)");
}
