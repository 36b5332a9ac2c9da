fn f() {
    match break S { x } {}
    while break S {} {}
    for x in break S { a: 1 } {}
    if let x = break S {} {}
    if break 'a S {} {}
    if break {} {}
    if break {}
}
