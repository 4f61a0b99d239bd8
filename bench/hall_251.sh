# Shared by the measured runs: the plant configuration of a hall of 251 incubators and the
# processor time of a process. Sourced, not run.

# make_config DIR: rows 0..250 with bus addresses 1..251, all polled, into DIR/config.cfg.
make_config() {
  perl -e '
    my $rec = "\0" x 158896;
    substr($rec, 0, 1) = chr(251);
    for my $i (0 .. 250) {
      substr($rec, 4 + 2 * $i, 2) = pack("v", $i + 1);
      my $name = "N" . ($i + 1);
      substr($rec, 506 + 101 * $i, 1 + length $name) = chr(length $name) . $name;
      substr($rec, 25857 + $i, 1) = chr(1);
    }
    print $rec;' >"$1/config.cfg"
}

# cpu_ticks PID: utime + stime of a process, in clock ticks.
cpu_ticks() {
  awk '{ print $14 + $15 }' "/proc/$1/stat"
}
