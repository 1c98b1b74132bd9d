# Sourced by the host editor steps (31-ardour-editor.sh, 32-muse-editor.sh).
#
# panel_background_wait X Y PNG [TRIES]: crops the 552 x 200 panel at screen
# position X, Y into PNG and compares seven pixels (the corners and spaces
# between the controls, away from meters and values) with the committed
# background; retries every 0.2 s up to TRIES times (default 25) until all
# seven agree. Prints how many agreed.
panel_background_wait() {
  local x=$1 y=$2 png=$3 tries=${4:-25} same=0 p a b
  for _ in $(seq "$tries"); do
    import -window root -crop "552x200+$x+$y" +repage "$png" 2>/dev/null
    same=0
    for p in 2,2 549,2 2,197 549,197 130,60 300,160 480,150; do
      a=$(convert "$png" -format "%[hex:p{$p}]" info: 2>/dev/null | cut -c1-6)
      b=$(convert resources/img/bg2.png -format "%[hex:p{$p}]" info: 2>/dev/null | cut -c1-6)
      [ -n "$a" ] && [ "$a" = "$b" ] && same=$((same + 1))
    done
    [ "$same" -eq 7 ] && break
    sleep 0.2
  done
  echo "$same"
}
