use std::collections::HashMap;

fn main() {
    let mut lengths = HashMap::new();
    for a in std::env::args() {
        lengths.insert(a.clone(), a.len());
    }
    let first = std::env::args().nth(1).map(|s| s.len()).unwrap_or(0);
    println!("{} {}", lengths.len(), first);
}
