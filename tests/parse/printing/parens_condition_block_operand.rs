fn f() {
    if ..= {} {}
    match ..= {} {}
    while x..{ y } {}
    if x..{} {}
    while .. {} {}
    for x in .. {} {}
    if break 1 + { x }.f {}
    if let _ = ..= {} {}
    if ..= { x }.f {}
    if ..= { x } + 1 {}
    if break ..= {} {}
    match x..= {} {}
    if ..= #[a] {} {}
    if ..= unsafe {} {}
    if ..= 'a: {} {}
    if x == ..= {} {}
    while ..= { 1 }.f() {}
}
